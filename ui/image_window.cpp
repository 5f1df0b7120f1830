#include "ui/image_window.h"

#include "app/number_text.h"
#include "base/errors.h"
#include "base/memory_budget.h"
#include "passes/run_blend.h"
#include "ui/add_images_dialog.h"
#include "ui/control_names.h"
#include "ui/focus_controls.h"
#include "ui/image_adding.h"
#include "ui/map_toggle.h"
#include "ui/message_box.h"
#include "ui/night_panel.h"
#include "ui/picture_box.h"
#include "ui/placed_widgets.h"
#include "ui/trail_controls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

namespace lumicomb::ui {
namespace {

namespace name = names::imageWindow;

/// The two rows of the rejecting means below the rule group push what follows down.
constexpr int kRejectionRows = 36;

constexpr QSize kInitialClientSize{700, 558};
/// Where each entry of the rule group stands: two columns inside the parameter frame, in the
/// registry's order.
const std::array<QRect, 14> kRulePlaces = {{
    {8, 16, 90, 17},
    {104, 16, 132, 17},
    {8, 43, 90, 17},
    {104, 43, 132, 17},
    {8, 69, 90, 17},
    {104, 69, 220, 17},
    {8, 96, 228, 17},
    {8, 123, 228, 17},
    {8, 149, 228, 17},
    {8, 176, 90, 17},
    {104, 176, 132, 17},
    {8, 194, 140, 17},
    {8, 212, 168, 17},
    {8, 230, 168, 17},
}};

/// The text a rule's box holds at first, as the registry gives it.
QString defaultText(RuleParameter parameter) {
  for (const RuleDescription &rule : ruleRegistry())
    if (rule.parameter == parameter)
      return rule.defaultText;
  return {};
}

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
    showMessageBox(parent, ImageWindow::tr("There is not enough memory for this."));
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

ImageWindow::ImageWindow(ImageSet &set, RunningSettings &settings, AddImagesMemory &addMemory,
                         SaveFileDialog &saveDialog, WindowPlaces &places, QWidget *parent)
    : QWidget(parent), m_set(set), m_settings(settings), m_addMemory(addMemory),
      m_saveDialog(saveDialog), m_column(this), m_results(set, places, m_runner, this) {
  setObjectName(name::kWindow);
  setWindowTitle(tr("Image"));
  resize(kInitialClientSize);
  m_column.setLaidOutWindowSize(kInitialClientSize);
  buildImageList();
  buildRuleGroup();
  buildRunButtons();
  m_mapToggle = new MapToggle(m_column, this);
  m_nightPanel = new NightPanel(this, m_set, m_settings, m_addMemory);
  connect(m_nightPanel, &NightPanel::switchChanged, this, &ImageWindow::switchChanged);
  connect(m_nightPanel, &NightPanel::imagesReordered, this, &ImageWindow::refreshImageList);
  connect(m_nightPanel, &NightPanel::darksChanged, this, [this] { m_results.dropUnlessCurrent(); });
  connectRunner();
  updateActions();
}

void ImageWindow::buildImageList() {
  QGroupBox *frame = boldGroupBox(this, name::kImageFrame, tr("Image list"), {8, 8, 329, 185});
  m_imageList = placed(new QListWidget(frame), name::kImageList, {8, 16, 313, 131});
  m_imageList->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_removeButton =
      placed(new QPushButton(tr("Remove image(s)"), frame), name::kRemoveImages, {8, 152, 97, 25});
  m_addButton =
      placed(new QPushButton(tr("Add image(s)"), frame), name::kAddImages, {216, 152, 105, 25});
  connect(m_imageList, &QListWidget::itemSelectionChanged, this,
          &ImageWindow::onListSelectionChanged);
  connect(m_removeButton, &QPushButton::clicked, this, &ImageWindow::onRemoveImages);
  connect(m_addButton, &QPushButton::clicked, this, &ImageWindow::onAddImages);
}

void ImageWindow::buildRuleGroup() {
  m_parameterFrame = boldGroupBox(this, name::kParameterFrame, tr("Pixel blending parameters"),
                                  {8, 200, 329, 241 + kRejectionRows});
  m_ruleGroup = new QButtonGroup(this);
  m_ruleGroup->setObjectName(name::kRuleGroup);
  for (const RuleDescription &rule : ruleRegistry()) {
    QRadioButton *option = placed(new QRadioButton(tr(rule.caption), m_parameterFrame),
                                  name::ruleButton(rule.index).constData(),
                                  kRulePlaces.at(static_cast<size_t>(rule.index)));
    m_ruleGroup->addButton(option, rule.index);
    option->setVisible(rule.make != nullptr);
  }
  m_ruleGroup->button(0)->setChecked(true);
  m_divisorBox = placed(new QLineEdit(defaultText(RuleParameter::Divisor), m_parameterFrame),
                        name::kDivisorBox, {240, 16, 57, 19});
  m_limitBox = placed(new QLineEdit(defaultText(RuleParameter::Limit), m_parameterFrame),
                      name::kLimitBox, {240, 96, 57, 19});
  m_trailControls = new TrailControls(m_parameterFrame, m_ruleGroup, m_settings);
  connect(m_trailControls, &TrailControls::closeGapsChanged, this,
          [this](bool close) { emit switchChanged(kCloseGapsKey, close); });
  m_kappas = makeKappaBoxes(m_parameterFrame, 211, 229);
  m_alignBox = placed(new QCheckBox(tr("Align images"), m_parameterFrame), name::kAlignImages,
                      {8, 212 + kRejectionRows, 110, 17});
  m_focusControls = new FocusControls(m_parameterFrame, m_ruleGroup, 212 + kRejectionRows);
  m_alignBox->setToolTip(tr("Align every image to image 1 before blending, for a burst shot by "
                            "hand. The result is cut to the part that every image covers."));
  m_alignBox->setChecked(m_settings.alignImages);
  connect(m_alignBox, &QCheckBox::toggled, this, [this](bool align) {
    m_settings.alignImages = align;
    emit alignImagesChanged(align);
  });
}

void ImageWindow::buildRunButtons() {
  QGroupBox *frame =
      boldGroupBox(this, name::kPreviewFrame, tr("Preview"), {8, 448 + kRejectionRows, 329, 49});
  m_previewButton = placed(new QPushButton(tr("Preview"), frame), name::kPreview, {8, 16, 89, 25});
  m_saveButton =
      placed(new QPushButton(tr("Save image as ..."), frame), name::kSave, {104, 16, 105, 25});
  m_closeButton =
      placed(new QPushButton(tr("&Close"), this), name::kClose, {8, 504 + kRejectionRows, 89, 21});
  // At the frame's right margin, clear of "Save image as ...", however wide the font makes it.
  m_viewButton = placed(new QPushButton(tr("View"), frame), name::kView, {0, 16, 89, 25});
  m_viewButton->move(frame->width() - 8 - m_viewButton->width(), m_viewButton->y());
  m_viewButton->setToolTip(tr("The result in a window of its own, at any zoom (Ctrl+1: at 100%)"));
  auto *actualPixels = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_1), this);
  actualPixels->setContext(Qt::WidgetWithChildrenShortcut);
  connect(m_viewButton, &QPushButton::clicked, this, [this] { m_results.openViewer(false); });
  connect(actualPixels, &QShortcut::activated, this, [this] { m_results.openViewer(true); });
  connect(m_column.resultBox(), &PictureBox::doubleClicked, this,
          [this] { m_results.openViewer(false); });
  connect(&m_results, &ResultViewing::fullSizeRequested, this, &ImageWindow::runFullSize);
  connect(m_previewButton, &QPushButton::clicked, this, &ImageWindow::runPreview);
  connect(m_saveButton, &QPushButton::clicked, this, &ImageWindow::runSave);
  connect(m_closeButton, &QPushButton::clicked, this, [this] {
    if (auto *subWindow = qobject_cast<QMdiSubWindow *>(parentWidget()))
      subWindow->close();
    else
      close();
  });
}

void ImageWindow::connectRunner() {
  m_column.followRun(m_runner);
  connect(&m_runner, &BlendRunner::warned, this,
          [this](const QString &message) { m_warnings.append(sentence(message)); });
  connect(&m_runner, &BlendRunner::finished, this, &ImageWindow::onRunFinished);
}

void ImageWindow::refreshImageList() {
  m_refilling = true;
  m_imageList->clear();
  for (int i = 1; i <= m_set.sourceCount(); ++i)
    m_imageList->addItem(QString::fromStdString(m_set.entry(i).name));
  m_refilling = false;
  m_nightPanel->refreshDarks();
  m_results.dropUnlessCurrent();
  if (m_set.sourceCount() == 0)
    return;
  // Making row 0 current and selected counts as a click on it.
  m_imageList->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
}

void ImageWindow::onListSelectionChanged() {
  if (m_refilling || m_imageList->currentRow() < 0)
    return;
  m_oneRowSelected = m_imageList->selectedItems().size() == 1;
  updateActions();
  showSourcePreview(m_imageList->currentRow() + 1);
}

void ImageWindow::showSourcePreview(int i) {
  const bool shown = succeedsOrSays(this, [&] {
    if (!m_set.entry(i).preview)
      makePreview(m_set, i, previewBox(), {.memoryBudget = defaultMemoryBudget()});
  });
  if (!shown)
    return;
  m_column.showSource(toImage(m_set.entry(i).preview.get()));
  m_column.layOut();
  growToFitPictureColumn();
}

PreviewBox ImageWindow::previewBox() const {
  return {m_settings.previewWidth, m_settings.previewHeight};
}

/// The window only ever grows, and only in its normal state, so that the column fits with the
/// same margin on the right as the frames keep on the left.
void ImageWindow::growToFitPictureColumn() {
  auto *subWindow = qobject_cast<QMdiSubWindow *>(parentWidget());
  QWidget *window = subWindow ? static_cast<QWidget *>(subWindow) : this;
  if (window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized))
    return;
  const QSize needed = m_column.neededWindowSize().expandedTo({0, m_nightPanel->neededHeight()});
  const QSize growth = needed.expandedTo(size()) - size();
  if (growth.isNull())
    return;
  m_column.setLaidOutWindowSize(m_column.laidOutWindowSize().expandedTo(needed));
  if (subWindow)
    subWindow->resize(subWindow->size() + growth);
  else
    resize(size() + growth);
}

void ImageWindow::onAddImages() {
  AddImagesDialog dialog(m_set, m_addMemory, this);
  dialog.exec();
  refreshImageList();
}

void ImageWindow::onRemoveImages() {
  std::vector<bool> selected(static_cast<size_t>(m_imageList->count()), false);
  for (const QListWidgetItem *item : m_imageList->selectedItems())
    selected[static_cast<size_t>(m_imageList->row(item))] = true;
  m_set.remove(selected);
  refreshImageList();
}

bool ImageWindow::refuseWithoutImages() {
  if (m_set.sourceCount() > 0)
    return false;
  showMessageBox(this, tr("There are no images to blend. Add some with \"Add image(s)\" first."));
  return true;
}

std::optional<BlendRequest> ImageWindow::chosenRequest(RunMode mode) {
  BlendRequest request;
  request.rule = m_ruleGroup->checkedId();
  request.mode = mode;
  request.depth = m_settings.bitDepth == 16 ? SampleDepth::Sixteen : SampleDepth::Eight;
  request.box = previewBox();
  if (m_alignBox->isChecked())
    request.alignment = AlignModel::Similarity;
  request.closeGaps = m_trailControls->closesGaps();
  request.removeHotPixels = m_nightPanel->removesHotPixels();
  request.skipBrightFrames = m_nightPanel->skipsBrightFrames();
  const bool read = succeedsOrSays(this, [&] {
    request.parameters =
        ruleParameters(ruleDescription(request.rule),
                       {m_divisorBox->text().toStdString(), m_limitBox->text().toStdString(),
                        m_trailControls->halfLifeText(), m_kappas.low->text().toStdString(),
                        m_kappas.high->text().toStdString()});
    request.parameters.focus.method = m_focusControls->method();
  });
  if (!read)
    return std::nullopt;
  return request;
}

std::optional<BlendRequest> ImageWindow::requestToRun(RunMode mode) {
  if (isRunning() || refuseWithoutImages())
    return std::nullopt;
  std::optional<BlendRequest> request = chosenRequest(mode);
  // A kept result of another blend is let go before this one takes memory.
  if (request)
    m_results.dropUnlessCurrent(*request);
  return request;
}

void ImageWindow::runPreview() {
  std::optional<BlendRequest> request = requestToRun(RunMode::Previews);
  if (!request)
    return;
  // The preview's run makes the map too, so that "Show map" can show it at once.
  request->withMap = ruleDescription(request->rule).map != MapKind::None;
  auto outcome = std::make_shared<BlendOutcome>();
  startRun([this, request = *request,
            outcome](RunObserver &observer) { *outcome = runBlend(m_set, request, observer); },
           [this, outcome] {
             if (outcome->picture)
               m_mapToggle->showRun(toImage(outcome->picture.get()), outcome->map);
             m_column.showAlignment(outcome->alignment);
             m_results.showPreview(*outcome);
             if (outcome->refusal)
               showMessageBox(this, QString::fromStdString(*outcome->refusal));
           });
}

void ImageWindow::runSave() {
  const std::optional<BlendRequest> request = requestToRun(RunMode::FullSize);
  if (!request)
    return;
  std::optional<SaveTarget> target;
  succeedsOrSays(this, [&] { target = askSaveTarget(m_set, m_settings, m_saveDialog); });
  if (!target)
    return;
  SaveJob job{.target = *target,
              .jpegQuality = static_cast<int>(m_settings.jpegQuality),
              .request = *request};
  if (m_nightPanel->savesSteps())
    job.sequenceFolder = NightPanel::stepsFolderFor(target->path);
  auto refusal = std::make_shared<std::optional<std::string>>();
  auto alignment = std::make_shared<std::shared_ptr<const AlignmentPlan>>();
  // A kept result is written without blending again.
  startRun(
      [this, job, refusal, alignment, kept = m_results.kept()](RunObserver &observer) {
        *refusal = saveResultOf(m_set, job, kept.get(), observer, alignment.get());
      },
      [this, refusal, alignment] {
        if (*refusal)
          showMessageBox(this, QString::fromStdString(**refusal));
        else
          m_column.showAlignment(*alignment);
      });
}

/// "Blend at full size": the result is kept, for the viewer and for the saves that follow.
void ImageWindow::runFullSize() {
  const std::optional<BlendRequest> request = requestToRun(RunMode::FullSize);
  if (!request || m_results.kept()) // a kept result is of this very blend: shown already
    return;
  auto made = std::make_shared<FullSizeView>();
  startRun([this, request = *request,
            made](RunObserver &observer) { *made = blendFullSizeToView(m_set, request, observer); },
           [this, made] {
             if (made->blend.refusal) {
               showMessageBox(this, QString::fromStdString(*made->blend.refusal));
               return;
             }
             m_results.showFullSize(*made);
             const QImage box = m_results.fullSizeBoxPicture(m_column.resultBox()->size());
             m_mapToggle->showRun(box, m_results.fullSizeBoxMap(box.size()));
             m_column.showAlignment(made->blend.result->alignment);
           });
}

void ImageWindow::startRun(BlendRunner::Job job, std::function<void()> whenDone) {
  if (!m_runner.start(std::move(job)))
    return;
  m_whenDone = std::move(whenDone);
  updateActions();
  emit runningChanged(true);
}

void ImageWindow::onRunFinished(const QString &failure, bool cancelled) {
  updateActions();
  emit runningChanged(false);
  const std::function<void()> whenDone = std::exchange(m_whenDone, nullptr);
  const QStringList warnings = std::exchange(m_warnings, {});
  if (cancelled)
    return;
  if (!failure.isEmpty())
    showMessageBox(this, sentence(failure));
  else if (whenDone)
    whenDone();
  if (!warnings.isEmpty())
    showMessageBox(this, warnings.join('\n'));
}

/// During a run nothing may start another run, change the images it reads or close the window
/// under it; only "Cancel" is offered.
void ImageWindow::updateActions() {
  const bool idle = !isRunning();
  for (QWidget *control : std::initializer_list<QWidget *>{
           m_previewButton, m_saveButton, m_addButton, m_removeButton, m_imageList, m_closeButton})
    control->setEnabled(idle);
  m_saveButton->setVisible(m_oneRowSelected);
  m_nightPanel->setIdle(idle);
  m_column.cancelButton()->setVisible(!idle);
  m_results.setRunning(!idle);
  setAcceptDrops(idle);
  // Changing a sub-window's flags hides it, so they change only when they must.
  auto *subWindow = qobject_cast<QMdiSubWindow *>(parentWidget());
  if (subWindow && subWindow->windowFlags().testFlag(Qt::WindowCloseButtonHint) != idle) {
    const bool visible = subWindow->isVisible();
    subWindow->setWindowFlag(Qt::WindowCloseButtonHint, idle);
    if (visible)
      subWindow->show();
  }
}

void ImageWindow::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  m_column.layOut();
}

void ImageWindow::closeEvent(QCloseEvent *event) {
  if (isRunning()) {
    event->ignore();
    return;
  }
  m_results.closeViewer();
  m_results.drop();
  m_set.releaseAllBitmaps();
  event->accept();
  emit closed();
}

void ImageWindow::dragEnterEvent(QDragEnterEvent *event) {
  if (!isRunning() && !localFiles(event->mimeData()).isEmpty())
    event->acceptProposedAction();
}

void ImageWindow::dropEvent(QDropEvent *event) {
  const QStringList paths = localFiles(event->mimeData());
  if (isRunning() || paths.isEmpty())
    return;
  event->acceptProposedAction();
  addImageFiles(this, m_set, paths);
  refreshImageList();
}

} // namespace lumicomb::ui
