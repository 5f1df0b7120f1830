#include "imaging/tiff_layout.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <set>
#include <vector>

namespace lumicomb {
namespace {

constexpr uint16_t kBitsPerSample = 258;
constexpr uint16_t kPhotometric = 262;
constexpr uint16_t kSamplesPerPixel = 277;
constexpr uint16_t kPlanarConfig = 284;
constexpr uint64_t kSeparatePlanes = 2;
constexpr uint64_t kCmyk = 5;
/// Per-sample tags repeat one value; a few are enough to see them all.
constexpr uint64_t kValuesRead = 16;

/// The values each tag of interest was seen with; a tag whose value could not be read is
/// given the value that would make the layout unreadable.
struct LayoutTags {
  std::set<uint64_t> bitsPerSample, photometric, samplesPerPixel, planarConfig;
};

class TiffReader {
public:
  explicit TiffReader(std::FILE *stream) : m_stream(stream) {}

  /// Reads the byte order and where the first directory is; false for no TIFF header.
  bool readHeader() {
    std::array<uint8_t, 16> header{};
    if (!readAt(0, header.data(), 8) || header[0] != header[1] ||
        (header[0] != 'I' && header[0] != 'M'))
      return false;
    m_littleEndian = header[0] == 'I';
    const uint64_t version = number(header.data() + 2, 2);
    if (version == 42) {
      m_firstDirectory = number(header.data() + 4, 4);
      return true;
    }
    m_big = version == 43;
    if (!m_big || !readAt(8, header.data() + 8, 8))
      return false;
    m_firstDirectory = number(header.data() + 8, 8);
    return true;
  }

  /// The values of the tags of interest in the first directory, or nothing when the directory
  /// cannot be read (the library then refuses the file itself).
  std::optional<LayoutTags> readLayoutTags() {
    LayoutTags tags;
    const bool read = forEachEntry([&](uint16_t tag, const uint8_t *entry, uint64_t) {
      if (std::set<uint64_t> *values = valuesOf(tags, tag))
        readValues(entry, *values, worstValueOf(tag));
    });
    return read ? std::optional(tags) : std::nullopt;
  }

  /// The first directory's orientation entry: nothing when it has none, an empty list when its
  /// value cannot be read.
  std::optional<std::vector<uint64_t>> orientationEntry() {
    constexpr uint16_t kOrientation = 274;
    std::optional<std::vector<uint64_t>> found;
    forEachEntry([&](uint16_t tag, const uint8_t *entry, uint64_t) {
      if (tag == kOrientation && !found)
        found = integerValues(entry).value_or(std::vector<uint64_t>{});
    });
    return found;
  }

  /// Where the low byte of the first directory's EXIF pointer tag lies, if it has one.
  std::optional<uint64_t> exifPointerTagLowByte() {
    constexpr uint16_t kExifPointer = 34665;
    std::optional<uint64_t> found;
    forEachEntry([&](uint16_t tag, const uint8_t *, uint64_t offset) {
      if (tag == kExifPointer)
        found = offset + (m_littleEndian ? 0 : 1);
    });
    return found;
  }

private:
  /// Calls visit(tag, entry bytes, entry offset) for each entry of the first directory; false
  /// when an entry cannot be read.
  template <typename Visit> bool forEachEntry(Visit &&visit) {
    const size_t countSize = m_big ? 8 : 2;
    const size_t entrySize = m_big ? 20 : 12;
    std::array<uint8_t, 8> countBytes{};
    if (!readAt(m_firstDirectory, countBytes.data(), countSize))
      return false;
    const uint64_t entries = number(countBytes.data(), countSize);
    for (uint64_t i = 0; i < entries && i < 4096; ++i) {
      std::array<uint8_t, 20> entry{};
      const uint64_t offset = m_firstDirectory + countSize + i * entrySize;
      if (!readAt(offset, entry.data(), entrySize))
        return false;
      visit(static_cast<uint16_t>(number(entry.data(), 2)), entry.data(), offset);
    }
    return true;
  }

  std::FILE *m_stream;
  bool m_littleEndian = true;
  bool m_big = false;
  uint64_t m_firstDirectory = 0;

  bool readAt(uint64_t offset, uint8_t *bytes, size_t count) {
    return offset <= INT64_MAX && std::fseek(m_stream, static_cast<long>(offset), SEEK_SET) == 0 &&
           std::fread(bytes, 1, count, m_stream) == count;
  }

  uint64_t number(const uint8_t *bytes, size_t size) const {
    uint64_t value = 0;
    for (size_t i = 0; i < size; ++i)
      value |= uint64_t{bytes[m_littleEndian ? i : size - 1 - i]} << (8 * i);
    return value;
  }

  static std::set<uint64_t> *valuesOf(LayoutTags &tags, uint16_t tag) {
    switch (tag) {
    case kBitsPerSample:
      return &tags.bitsPerSample;
    case kPhotometric:
      return &tags.photometric;
    case kSamplesPerPixel:
      return &tags.samplesPerPixel;
    case kPlanarConfig:
      return &tags.planarConfig;
    default:
      return nullptr;
    }
  }

  static uint64_t worstValueOf(uint16_t tag) {
    switch (tag) {
    case kBitsPerSample:
      return 1;
    case kPhotometric:
      return kCmyk;
    case kSamplesPerPixel:
      return 2;
    default:
      return kSeparatePlanes;
    }
  }

  /// Byte widths of the integer field types the TIFF library accepts for these tags, by type.
  static size_t integerSize(uint64_t type) {
    switch (type) {
    case 1: // BYTE
    case 6: // SBYTE
      return 1;
    case 3: // SHORT
    case 8: // SSHORT
      return 2;
    case 4: // LONG
    case 9: // SLONG
      return 4;
    case 16: // LONG8
    case 17: // SLONG8
      return 8;
    default:
      return 0;
    }
  }

  /// The entry's first few integer values, or nothing when they cannot be read.
  std::optional<std::vector<uint64_t>> integerValues(const uint8_t *entry) {
    const size_t size = integerSize(number(entry + 2, 2));
    const uint64_t count = m_big ? number(entry + 4, 8) : number(entry + 4, 4);
    const uint8_t *field = entry + (m_big ? 12 : 8);
    const size_t fieldSize = m_big ? 8 : 4;
    if (size == 0 || count == 0)
      return std::nullopt;
    const uint64_t read = count < kValuesRead ? count : kValuesRead;
    std::array<uint8_t, kValuesRead * 8> bytes{};
    if (count * size <= fieldSize)
      std::copy(field, field + read * size, bytes.begin());
    else if (!readAt(number(field, fieldSize), bytes.data(), read * size))
      return std::nullopt;
    std::vector<uint64_t> values;
    for (uint64_t i = 0; i < read; ++i)
      values.push_back(number(bytes.data() + i * size, size));
    return values;
  }

  void readValues(const uint8_t *entry, std::set<uint64_t> &values, uint64_t worst) {
    if (const std::optional<std::vector<uint64_t>> read = integerValues(entry))
      values.insert(read->begin(), read->end());
    else
      values.insert(worst);
  }
};

/// Tags the file leaves out take the values the TIFF library assumes for them; it guesses a
/// missing photometric from the rest, never as CMYK.
void addDefaults(LayoutTags &tags) {
  if (tags.bitsPerSample.empty())
    tags.bitsPerSample.insert(1);
  if (tags.samplesPerPixel.empty())
    tags.samplesPerPixel.insert(1);
  if (tags.planarConfig.empty())
    tags.planarConfig.insert(1);
}

/// Each unreadable layout is a few tags taking given values at once, so it is possible when
/// every one of those tags was seen with its value.
std::optional<std::string> problemOf(const LayoutTags &tags) {
  const uint64_t fewestBits = *tags.bitsPerSample.begin();
  const uint64_t mostSamples = *tags.samplesPerPixel.rbegin();
  const bool separate = tags.planarConfig.contains(kSeparatePlanes);
  if (fewestBits < 8 && (mostSamples > 1 || separate))
    return "its " + std::to_string(fewestBits) + "-bit samples are stored " +
           (separate ? std::string("in separate planes")
                     : std::to_string(mostSamples) + " to a pixel") +
           ", which the TIFF decoder cannot read";
  if (tags.photometric.contains(kCmyk) && tags.samplesPerPixel.contains(2) && separate)
    return "its two-sample CMYK is stored in separate planes, which the TIFF decoder cannot read";
  return std::nullopt;
}

/// The first directory's layout tags, if the file reads as a TIFF; the stream is rewound either
/// way.
std::optional<LayoutTags> layoutTagsOf(std::FILE *stream) {
  TiffReader reader(stream);
  std::optional<LayoutTags> tags;
  if (reader.readHeader())
    tags = reader.readLayoutTags();
  std::rewind(stream);
  return tags;
}

} // namespace

std::optional<std::string> unreadableTiffLayout(std::FILE *stream) {
  std::optional<LayoutTags> tags = layoutTagsOf(stream);
  if (!tags)
    return std::nullopt;
  addDefaults(*tags);
  return problemOf(*tags);
}

std::optional<TiffOrientation> tiffOrientation(std::FILE *stream) {
  TiffReader reader(stream);
  std::optional<TiffOrientation> found;
  if (reader.readHeader()) {
    found = TiffOrientation{};
    if (const std::optional<std::vector<uint64_t>> entry = reader.orientationEntry()) {
      found->unreadable = entry->empty();
      if (!entry->empty() && entry->front() >= 1 && entry->front() <= 8)
        found->value = static_cast<int>(entry->front());
    }
  }
  std::rewind(stream);
  return found;
}

bool readerMirrorsByOrientation(std::FILE *stream) {
  const std::optional<LayoutTags> tags = layoutTagsOf(stream);
  if (!tags)
    return false;
  // YCbCr, CIELab, ICCLab and ITULab.
  return std::ranges::any_of(tags->photometric, [](uint64_t photometric) {
    return photometric == 6 || (photometric >= 8 && photometric <= 10);
  });
}

std::optional<uint64_t> exifPointerTagLowByte(std::FILE *stream) {
  TiffReader reader(stream);
  std::optional<uint64_t> found;
  if (reader.readHeader())
    found = reader.exifPointerTagLowByte();
  std::rewind(stream);
  return found;
}

std::optional<std::string> unreadableTiffSize(int64_t width, int64_t height) {
  if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) < (uint64_t{1} << 32))
    return std::nullopt;
  return "it claims " + std::to_string(width) + "x" + std::to_string(height) +
         " pixels; the TIFF decoder cannot address 4 gigapixels or more";
}

} // namespace lumicomb
