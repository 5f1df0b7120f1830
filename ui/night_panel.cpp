#include "ui/night_panel.h"

#include "imaging/capture_order.h"
#include "ui/control_names.h"
#include "ui/placed_widgets.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <filesystem>

namespace lumicomb::ui {
namespace {

namespace name = names::imageWindow;

/// A box the settings keep: it starts as they say and tells them of every change.
QCheckBox *switchBox(QWidget *parent, const QString &caption, const char *objectName, QRect place,
                     bool &setting, const char *key, NightPanel *panel) {
  auto *box = placed(new QCheckBox(caption, parent), objectName, place);
  box->setChecked(setting);
  QObject::connect(box, &QCheckBox::toggled, panel, [&setting, key, panel](bool on) {
    setting = on;
    emit panel->switchChanged(key, on);
  });
  return box;
}

} // namespace

NightPanel::NightPanel(QWidget *window, ImageSet &set, RunningSettings &settings,
                       AddImagesMemory &addMemory)
    : QObject(window), m_set(set), m_addMemory(addMemory), m_window(window) {
  // Below "Close", which the rejecting means' two rows of the rule group have moved down by 36.
  QGroupBox *frame = boldGroupBox(window, name::kNightFrame, tr("Night sky"), {8, 568, 329, 158});
  m_frame = frame;
  m_sortButton =
      placed(new QPushButton(tr("Sort by time taken"), frame), name::kSortByTime, {8, 16, 129, 25});
  m_sortButton->setToolTip(tr("Put the images in the order they were taken"));
  m_hotPixels = switchBox(frame, tr("Remove hot pixels"), name::kRemoveHotPixels,
                          {160, 12, 161, 17}, settings.removeHotPixels, kRemoveHotPixelsKey, this);
  m_skipBright =
      switchBox(frame, tr("Skip bright frames"), name::kSkipBrightFrames, {160, 30, 161, 17},
                settings.skipBrightFrames, kSkipBrightFramesKey, this);
  m_skipBright->setToolTip(tr("Leave out frames far brighter than the rest: headlights, a "
                              "plane's light, a lit cloud"));
  m_saveSteps = placed(new QCheckBox(tr("Save each step as a time-lapse frame"), frame),
                       name::kSaveSteps, {8, 50, 313, 17});
  m_saveSteps->setToolTip(tr("A save also writes the blend after each image into a folder "
                             "beside the file, for a video of the stack growing"));
  placed(new QLabel(tr("Darks"), frame), name::kDarksCaption, {8, 72, 100, 15});
  m_addDarks = placed(new QPushButton(tr("Add dark(s)"), frame), name::kAddDarks, {0, 88, 89, 25});
  m_removeDarks =
      placed(new QPushButton(tr("Remove dark(s)"), frame), name::kRemoveDarks, {0, 118, 89, 25});
  // The buttons at the frame's right margin, as wide as the wider needs; the list beside them.
  const int buttonWidth = std::max(m_addDarks->width(), m_removeDarks->width());
  const int buttonLeft = frame->width() - 8 - buttonWidth;
  for (QPushButton *button : {m_addDarks, m_removeDarks})
    button->setGeometry(buttonLeft, button->y(), buttonWidth, button->height());
  m_darks = placed(new QListWidget(frame), name::kDarkList, {8, 88, buttonLeft - 16, 62});
  m_darks->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_darks->setToolTip(tr("Frames shot with the lens capped, subtracted from every image"));
  connect(m_sortButton, &QPushButton::clicked, this, [this] {
    sortByTimeTaken(m_set);
    emit imagesReordered();
  });
  connect(m_addDarks, &QPushButton::clicked, this, &NightPanel::addDarks);
  connect(m_removeDarks, &QPushButton::clicked, this, &NightPanel::removeDarks);
  refreshDarks();
}

int NightPanel::neededHeight() const { return m_frame->geometry().bottom() + 1 + 8; }

void NightPanel::refreshDarks() {
  m_darks->clear();
  for (int j = 1; j <= m_set.darkCount(); ++j)
    m_darks->addItem(QFileInfo(QString::fromStdString(m_set.darkPath(j))).fileName());
}

void NightPanel::setIdle(bool idle) {
  for (QWidget *control :
       std::initializer_list<QWidget *>{m_sortButton, m_darks, m_addDarks, m_removeDarks})
    control->setEnabled(idle);
}

bool NightPanel::savesSteps() const { return m_saveSteps->isChecked(); }
bool NightPanel::removesHotPixels() const { return m_hotPixels->isChecked(); }
bool NightPanel::skipsBrightFrames() const { return m_skipBright->isChecked(); }

std::string NightPanel::stepsFolderFor(const std::string &path) {
  const std::filesystem::path saved(path);
  return (saved.parent_path() / (saved.stem().string() + "_frames")).string();
}

void NightPanel::addDarks() {
  AddImagesDialog dialog(m_set, m_addMemory, m_window, AddImagesDialog::Target::Darks);
  dialog.exec();
  refreshDarks();
  emit darksChanged();
}

void NightPanel::removeDarks() {
  std::vector<bool> selected(static_cast<size_t>(m_darks->count()), false);
  for (const QListWidgetItem *item : m_darks->selectedItems())
    selected[static_cast<size_t>(m_darks->row(item))] = true;
  m_set.removeDarks(selected);
  refreshDarks();
  emit darksChanged();
}

} // namespace lumicomb::ui
