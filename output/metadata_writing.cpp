#include "output/metadata_writing.h"

#include "imaging/exiv2_setup.h"
#include "output/positioned_file.h"

#include <exiv2/exiv2.hpp>

namespace lumicomb {

void writeMetadataIntoFile(const std::string &path, const ResultMetadata &metadata) {
  prepareExiv2();
  PositionedFile file(path);
  // Exiv2's own file writer neither checks its writes nor reports a short one.
  const std::vector<uint8_t> bytes = file.read(0, file.size());
  const auto image = Exiv2::ImageFactory::open(bytes.data(), static_cast<long>(bytes.size()));
  // Reading first keeps the colour profile the encoder wrote, which Exiv2 writes anew.
  image->readMetadata();
  image->setExifData(metadata.exif);
  image->setIptcData(metadata.iptc);
  if (metadata.xmpPacket.empty())
    image->clearXmpPacket();
  else
    image->setXmpPacket(metadata.xmpPacket);
  image->writeMetadata();
  Exiv2::BasicIo &written = image->io();
  const uint64_t size = static_cast<uint64_t>(written.size());
  file.write(0, written.mmap(), size);
  file.truncate(size);
  file.close();
}

} // namespace lumicomb
