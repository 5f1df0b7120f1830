#include "ui/map_toggle.h"

#include "app/map_colours.h"
#include "ui/control_names.h"
#include "ui/map_key_view.h"
#include "ui/picture_box.h"
#include "ui/picture_column.h"

#include <QCheckBox>
#include <QHBoxLayout>

namespace lumicomb::ui {

namespace name = names::imageWindow;

MapToggle::MapToggle(PictureColumn &column, QWidget *window)
    : QWidget(window), m_column(column), m_box(new QCheckBox(tr("Show map"), this)),
      m_key(new MapKeyView(this)) {
  setObjectName(name::kMapToggle);
  m_box->setObjectName(name::kShowMap);
  m_key->setObjectName(name::kMapKey);
  m_box->setToolTip(tr("Show in the result box what each pixel came from: the image it was taken "
                       "from, or how many samples were rejected there."));
  auto *row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(m_box);
  row->addWidget(m_key, 1);
  m_box->setEnabled(false);
  m_key->hide();
  connect(m_box, &QCheckBox::toggled, this, &MapToggle::showChosen);
  m_column.setRowBelow(this);
}

void MapToggle::showRun(const QImage &result, const ResultMap &map) {
  m_result = result;
  m_map = QImage();
  if (map.picture) {
    const MapKey key = mapKey(map);
    m_map = toImage(falseColour(map, key).get());
    m_key->setKey(key);
  }
  m_box->setEnabled(!m_map.isNull());
  showChosen();
}

bool MapToggle::showsMap() const { return m_box->isChecked() && !m_map.isNull(); }

void MapToggle::showChosen() {
  m_key->setVisible(showsMap());
  const QImage &shown = showsMap() ? m_map : m_result;
  if (!shown.isNull())
    m_column.showResult(shown);
}

} // namespace lumicomb::ui
