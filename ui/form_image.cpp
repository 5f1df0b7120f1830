#include "ui/form_image.h"

#include "engine/errors.h"
#include "engine/memory_budget.h"
#include "engine/run_blend.h"
#include "ui/form_add_images.h"
#include "ui/image_adding.h"
#include "ui/message_box.h"
#include "ui/picture_box.h"
#include "ui/placed_widgets.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace lumicomb::ui {
namespace {

constexpr QSize kInitialClientSize{700, 558};
/// The "Cancel" button beside the progress bar, and the gap between the two.
constexpr QSize kCancelSize{75, 25};
constexpr int kCancelGap = 8;

struct OptionPlace {
  const char *caption;
  QRect geometry;
};

// Two columns inside the parameter frame; "Sharpest" has a place but is never shown.
const std::array<OptionPlace, 10> kBlendOptions = {{
    {"Average", {8, 16, 90, 17}},
    {"Sum and divide by", {104, 16, 132, 17}},
    {"Brightest", {8, 43, 90, 17}},
    {"Darkest", {104, 43, 132, 17}},
    {"Median", {8, 69, 90, 17}},
    {"Average of commonest", {104, 69, 220, 17}},
    {"Different from first by RGB value", {8, 96, 228, 17}},
    {"Most different from average", {8, 123, 228, 17}},
    {"Dynamic range (max 2 images)", {8, 149, 228, 17}},
    {"Sharpest", {8, 176, 228, 17}},
}};
constexpr int kSharpest = 9;

QString sentence(QString text) {
  if (!text.isEmpty())
    text[0] = text[0].toUpper();
  return text;
}

/// Runs `step` on the UI thread; a failure is shown, naming what failed, and reported as false.
template <typename Step> bool succeedsOrSays(QWidget *parent, Step &&step) {
  try {
    step();
    return true;
  } catch (const std::bad_alloc &) {
    showMessageBox(parent, QObject::tr("There is not enough memory for this."));
  } catch (const std::exception &error) {
    showMessageBox(parent, sentence(QString::fromStdString(oneLine(error.what()))));
  }
  return false;
}

QStringList localFiles(const QMimeData *mime) {
  QStringList paths;
  if (!mime || !mime->hasUrls())
    return paths;
  for (const QUrl &url : mime->urls())
    if (url.isLocalFile())
      paths.append(url.toLocalFile());
  return paths;
}

} // namespace

FormImage::FormImage(ImageSet &set, RunningSettings &settings, AddImagesMemory &addMemory,
                     SaveFileDialog &saveDialog, QWidget *parent)
    : QWidget(parent), m_set(set), m_settings(settings), m_addMemory(addMemory),
      m_saveDialog(saveDialog) {
  setObjectName("FormImage");
  setWindowTitle(tr("Image"));
  resize(kInitialClientSize);
  setAcceptDrops(true);
  buildImageList();
  buildBlendOptions();
  buildPreviewButtons();
  buildPictures();
  connectRunner();
}

void FormImage::buildImageList() {
  QGroupBox *frame = boldGroupBox(this, "Frame4", tr("Image list"), {8, 8, 329, 185});
  m_imageList = placed(new QListWidget(frame), "ImageList1", {8, 16, 313, 131});
  m_imageList->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_removeImages =
      placed(new QPushButton(tr("Remove image(s)"), frame), "CmdRemoveImages", {8, 152, 97, 25});
  m_addImages = placed(new QPushButton(tr("Add image(s)"), frame), "Command1", {216, 152, 105, 25});
  connect(m_imageList, &QListWidget::itemSelectionChanged, this,
          &FormImage::onListSelectionChanged);
  connect(m_removeImages, &QPushButton::clicked, this, &FormImage::onRemoveImages);
  connect(m_addImages, &QPushButton::clicked, this, &FormImage::onAddImages);
}

void FormImage::buildBlendOptions() {
  m_frameEquip =
      boldGroupBox(this, "FrameEquip", tr("Pixel blending parameters"), {8, 200, 329, 241});
  m_blendOption = new QButtonGroup(this);
  m_blendOption->setObjectName("BlendOption");
  for (int index = 0; index < static_cast<int>(kBlendOptions.size()); ++index) {
    const OptionPlace &place = kBlendOptions[static_cast<size_t>(index)];
    const QByteArray name = "BlendOption" + QByteArray::number(index);
    QRadioButton *option =
        placed(new QRadioButton(tr(place.caption), m_frameEquip), name.constData(), place.geometry);
    m_blendOption->addButton(option, index);
  }
  m_blendOption->button(0)->setChecked(true);
  m_blendOption->button(kSharpest)->hide();
  m_textDivide = placed(new QLineEdit("1", m_frameEquip), "TextDivide", {240, 16, 57, 19});
  m_textLimit = placed(new QLineEdit("5", m_frameEquip), "TextLimit", {240, 96, 57, 19});
}

void FormImage::buildPreviewButtons() {
  QGroupBox *frame = boldGroupBox(this, "Frame2", tr("Preview"), {8, 448, 329, 49});
  m_preview = placed(new QPushButton(tr("Preview"), frame), "CmdFreeImage", {8, 16, 89, 25});
  m_save = placed(new QPushButton(tr("Save image as ..."), frame), "CommandSaveFreeimage",
                  {104, 16, 105, 25});
  m_close = placed(new QPushButton(tr("&Close"), this), "CmdOK", {8, 504, 89, 21});
  connect(m_preview, &QPushButton::clicked, this, &FormImage::runPreview);
  connect(m_save, &QPushButton::clicked, this, &FormImage::runSave);
  connect(m_close, &QPushButton::clicked, this, [this] {
    if (auto *subWindow = qobject_cast<QMdiSubWindow *>(parentWidget()))
      subWindow->close();
    else
      close();
  });
}

void FormImage::buildPictures() {
  m_picSmallFrom = placed(new PictureBox(this), "PicSmallFrom", {344, 8, 353, 257});
  m_picSmallTo = placed(new PictureBox(this), "PicSmallTo", {344, 272, 353, 257});
  m_progress = placed(new QProgressBar(this), "ImgProgressBar", {344, 536, 353, 17});
  m_progress->setRange(0, 100);
  m_progress->setTextVisible(false);
  m_progress->hide();
  m_cancel = placed(new QPushButton(tr("Cancel"), this), "CmdCancel", {0, 0, 0, 0});
  m_cancel->setShortcut(Qt::Key_Escape);
  m_cancel->hide();
  connect(m_cancel, &QPushButton::clicked, &m_runner, &BlendRunner::requestCancel);
  placeProgressRow(m_progress->y(), 353);
}

/// The progress bar and the "Cancel" button beside it share one row of the column's width.
void FormImage::placeProgressRow(int top, int width) {
  const int cancelWidth = std::max(kCancelSize.width(), m_cancel->sizeHint().width());
  const int barWidth = width - kCancelGap - cancelWidth;
  m_progress->setGeometry(m_progress->x(), top, barWidth, m_progress->height());
  m_cancel->setGeometry(m_progress->x() + barWidth + kCancelGap,
                        top + (m_progress->height() - kCancelSize.height()) / 2, cancelWidth,
                        kCancelSize.height());
}

void FormImage::connectRunner() {
  connect(&m_runner, &BlendRunner::progressVisibleChanged, m_progress, &QWidget::setVisible);
  connect(&m_runner, &BlendRunner::progressMaximumChanged, this, [this](double maximum) {
    m_progress->setRange(0, static_cast<int>(std::max(1.0, maximum)));
  });
  connect(&m_runner, &BlendRunner::progressValueChanged, this, [this](qint64 value) {
    m_progress->setValue(static_cast<int>(std::min<qint64>(value, m_progress->maximum())));
  });
  connect(&m_runner, &BlendRunner::messageShown, this,
          [this](const QString &message) { showMessageBox(this, message); });
  connect(&m_runner, &BlendRunner::finished, this, &FormImage::onRunFinished);
}

void FormImage::BlendImageListUpdate() {
  m_refilling = true;
  m_imageList->clear();
  for (int i = 1; i <= m_set.sourceCount(); ++i)
    m_imageList->addItem(QString::fromStdString(m_set.entry(i).ImageName));
  m_refilling = false;
  if (m_set.sourceCount() == 0)
    return;
  // Making row 0 current and selected counts as a click on it.
  m_imageList->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
}

void FormImage::onListSelectionChanged() {
  if (m_refilling || m_imageList->currentRow() < 0)
    return;
  m_save->setVisible(m_imageList->selectedItems().size() == 1);
  ShowSourcePreview(m_imageList->currentRow() + 1);
}

void FormImage::ShowSourcePreview(int i) {
  const bool shown = succeedsOrSays(this, [&] {
    if (!m_set.entry(i).PreviewBitmap)
      LoadPreviewImage(m_set, i, {m_settings.PreviewWidth, m_settings.PreviewHeight},
                       {defaultMemoryBudget(), 0, {}});
  });
  if (!shown)
    return;
  m_picSmallFrom->showBitmap(m_set.entry(i).PreviewBitmap.get(), static_cast<int>(m_set.ThumbWidth),
                             static_cast<int>(m_set.ThumbHeight));
  layOutPictureColumn();
  growToFitPictureColumn();
}

/// The result box one margin below the source box, the progress bar one margin below that.
void FormImage::layOutPictureColumn() {
  const QRect from = m_picSmallFrom->geometry();
  const int margin = from.top();
  m_picSmallTo->setGeometry(m_picSmallTo->x(), 2 * margin + from.height(), from.width(),
                            from.height());
  placeProgressRow(3 * margin + 2 * from.height(), from.width());
}

/// The window only ever grows, and only in its normal state, so that the column fits with the
/// same margin on the right as the frames keep on the left.
void FormImage::growToFitPictureColumn() {
  auto *subWindow = qobject_cast<QMdiSubWindow *>(parentWidget());
  QWidget *window = subWindow ? static_cast<QWidget *>(subWindow) : this;
  if (window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized))
    return;
  const int width =
      std::max(m_picSmallTo->geometry().right() + 1 + m_frameEquip->x(), this->width());
  const int height =
      std::max(m_progress->y() + fontMetrics().height() + 2 * m_progress->height(), this->height());
  const QSize growth = QSize(width, height) - size();
  if (growth.isNull())
    return;
  if (subWindow)
    subWindow->resize(subWindow->size() + growth);
  else
    resize(width, height);
}

void FormImage::onAddImages() {
  FormAddImages dialog(m_set, m_addMemory, this);
  dialog.exec();
  BlendImageListUpdate();
}

void FormImage::onRemoveImages() {
  std::vector<bool> selected(static_cast<size_t>(m_imageList->count()), false);
  for (const QListWidgetItem *item : m_imageList->selectedItems())
    selected[static_cast<size_t>(m_imageList->row(item))] = true;
  m_set.RemoveImages(selected);
  BlendImageListUpdate();
}

bool FormImage::refuseWithoutImages() {
  if (m_set.sourceCount() > 0)
    return false;
  showMessageBox(this, tr("There are no images to blend. Add some with \"Add image(s)\" first."));
  return true;
}

void FormImage::runPreview() {
  if (isRunning() || refuseWithoutImages())
    return;
  const PreviewBox box{m_settings.PreviewWidth, m_settings.PreviewHeight};
  startRun(RunKind::Preview,
           [this, box](WindowOperations &window) { RunBlend(m_set, kThumbnails, window, box); });
}

void FormImage::runSave() {
  if (isRunning() || refuseWithoutImages())
    return;
  std::optional<SaveTarget> target;
  succeedsOrSays(this, [&] { target = askSaveTarget(m_set, m_settings, m_saveDialog); });
  if (!target)
    return;
  startRun(RunKind::Save,
           [this, settings = m_settings, target = *target](WindowOperations &window) {
             blendAndSave(m_set, window, fullSizeSave(target, settings));
           });
}

void FormImage::startRun(RunKind kind, BlendRunner::Job job) {
  const RunChoices choices{m_blendOption->checkedId(), m_textDivide->text().toStdString(),
                           m_textLimit->text().toStdString()};
  m_runKind = kind;
  if (m_runner.start(choices, std::move(job)))
    setRunning(true);
}

void FormImage::onRunFinished(const QString &failure, bool cancelled) {
  setRunning(false);
  if (cancelled)
    return;
  if (!failure.isEmpty()) {
    showMessageBox(this, sentence(failure));
    return;
  }
  const FIBITMAP *result = m_set.entry(0).FullBitmap.get();
  if (m_runKind == RunKind::Preview && result)
    m_picSmallTo->showBitmap(result, static_cast<int>(m_set.ThumbWidth),
                             static_cast<int>(m_set.ThumbHeight));
}

void FormImage::setRunning(bool running) {
  m_cancel->setVisible(running);
  for (QWidget *control : std::initializer_list<QWidget *>{m_preview, m_save, m_addImages,
                                                           m_removeImages, m_imageList, m_close})
    control->setEnabled(!running);
  setAcceptDrops(!running);
  if (auto *subWindow = qobject_cast<QMdiSubWindow *>(parentWidget())) {
    const bool visible = subWindow->isVisible();
    subWindow->setWindowFlag(Qt::WindowCloseButtonHint, !running);
    if (visible)
      subWindow->show();
  }
  emit runningChanged(running);
}

void FormImage::closeEvent(QCloseEvent *event) {
  if (isRunning()) {
    event->ignore();
    return;
  }
  m_set.ReleaseAllBitmaps();
  event->accept();
  emit closed();
}

void FormImage::dragEnterEvent(QDragEnterEvent *event) {
  if (!isRunning() && !localFiles(event->mimeData()).isEmpty())
    event->acceptProposedAction();
}

void FormImage::dropEvent(QDropEvent *event) {
  const QStringList paths = localFiles(event->mimeData());
  if (isRunning() || paths.isEmpty())
    return;
  event->acceptProposedAction();
  addImageFiles(this, m_set, paths);
  BlendImageListUpdate();
}

} // namespace lumicomb::ui
