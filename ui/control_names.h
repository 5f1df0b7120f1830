#pragma once
// The object name of every window and control the program makes, one window to a namespace.
// They are the windows' outward contract: tests, and anyone driving the program, find the
// controls by them, so they stay as they are whatever the code calls the controls.
#include <QByteArray>

namespace lumicomb::ui::names {

/// The program's one kind of message box.
inline constexpr char kMessageBox[] = "MessageBox";
/// The save-as dialog behind "Save image as ...".
inline constexpr char kSaveDialog[] = "CommonDialog1";

namespace mainWindow {
inline constexpr char kWindow[] = "MDIForm1";
inline constexpr char kFileMenu[] = "CmdFile";
inline constexpr char kOpenImages[] = "CmdFileOpenFreeImage";
inline constexpr char kFileSeparator[] = "Sep2";
inline constexpr char kExit[] = "CmdFileExit";
inline constexpr char kSetupMenu[] = "CmdSetup";
inline constexpr char kSetup[] = "CmdSetupSetup";
inline constexpr char kAboutMenu[] = "CmdAbout";
inline constexpr char kAbout[] = "CmdAboutAbout";
} // namespace mainWindow

namespace imageWindow {
inline constexpr char kWindow[] = "FormImage";
inline constexpr char kImageFrame[] = "Frame4";
inline constexpr char kImageList[] = "ImageList1";
inline constexpr char kRemoveImages[] = "CmdRemoveImages";
inline constexpr char kAddImages[] = "Command1";
inline constexpr char kParameterFrame[] = "FrameEquip";
inline constexpr char kRuleGroup[] = "BlendOption";
inline constexpr char kDivisorBox[] = "TextDivide";
inline constexpr char kLimitBox[] = "TextLimit";
inline constexpr char kPreviewFrame[] = "Frame2";
inline constexpr char kPreview[] = "CmdFreeImage";
inline constexpr char kSave[] = "CommandSaveFreeimage";
inline constexpr char kClose[] = "CmdOK";
inline constexpr char kSourcePicture[] = "PicSmallFrom";
inline constexpr char kResultPicture[] = "PicSmallTo";
inline constexpr char kProgressBar[] = "ImgProgressBar";
inline constexpr char kCancel[] = "CmdCancel";
inline constexpr char kAlignImages[] = "CheckAlignImages";
inline constexpr char kAlignment[] = "LabelAlignment";
inline constexpr char kHalfLifeBox[] = "TextHalfLife";
inline constexpr char kHalfLifeCaption[] = "LabelHalfLife";
inline constexpr char kCloseGaps[] = "CheckCloseGaps";
inline constexpr char kDepthMap[] = "CheckDepthMap";
inline constexpr char kNightFrame[] = "FrameNightSky";
inline constexpr char kSortByTime[] = "CmdSortByTime";
inline constexpr char kRemoveHotPixels[] = "CheckRemoveHotPixels";
inline constexpr char kSkipBrightFrames[] = "CheckSkipBrightFrames";
inline constexpr char kDarksCaption[] = "LabelDarks";
inline constexpr char kDarkList[] = "ListDarks";
inline constexpr char kAddDarks[] = "CmdAddDarks";
inline constexpr char kRemoveDarks[] = "CmdRemoveDarks";
inline constexpr char kSaveSteps[] = "CheckSaveSteps";
inline constexpr char kView[] = "CmdView";
inline constexpr char kKappaLow[] = "TextKappaLow";
inline constexpr char kKappaLowCaption[] = "LabelKappaLow";
inline constexpr char kKappaHigh[] = "TextKappaHigh";
inline constexpr char kKappaHighCaption[] = "LabelKappaHigh";
inline constexpr char kMapToggle[] = "MapToggle";
inline constexpr char kShowMap[] = "CheckShowMap";
inline constexpr char kMapKey[] = "MapKey";

/// The rule group's button for a rule: the group's name followed by the rule's index.
inline QByteArray ruleButton(int index) { return kRuleGroup + QByteArray::number(index); }
} // namespace imageWindow

namespace viewer {
inline constexpr char kWindow[] = "FormViewer";
inline constexpr char kPicture[] = "PicViewer";
inline constexpr char kFit[] = "CmdFit";
inline constexpr char kActualPixels[] = "CmdActualPixels";
inline constexpr char kZoomIn[] = "CmdZoomIn";
inline constexpr char kZoomOut[] = "CmdZoomOut";
inline constexpr char kBefore[] = "CheckBefore";
inline constexpr char kShowMap[] = "CheckShowMap";
inline constexpr char kMapKey[] = "MapKey";
inline constexpr char kFullSize[] = "CmdBlendFullSize";
inline constexpr char kStatus[] = "LabelStatus";
inline constexpr char kProgressBar[] = "ImgProgressBar";
inline constexpr char kCancel[] = "CmdCancel";
} // namespace viewer

namespace addImagesDialog {
inline constexpr char kWindow[] = "FormAddImages";
inline constexpr char kDrives[] = "Drive1";
inline constexpr char kFolders[] = "Dir1";
inline constexpr char kFiles[] = "File1";
inline constexpr char kHint[] = "Label1";
inline constexpr char kCancel[] = "CmdCancel";
inline constexpr char kAdd[] = "CmdAddImages";
} // namespace addImagesDialog

namespace setupDialog {
inline constexpr char kWindow[] = "FormSetup";
inline constexpr char kBlendModeFrame[] = "FrameBlendmode";
inline constexpr char kBlendModePlaceholder[] = "Label2";
inline constexpr char kPreviewFrame[] = "Frame1";
inline constexpr char kWidthCaption[] = "Label1";
inline constexpr char kWidth[] = "SliderPreviewWidth";
inline constexpr char kWidthValue[] = "LabelPreviewWidth";
inline constexpr char kHeightCaption[] = "Label3";
inline constexpr char kHeight[] = "SliderPreviewHeight";
inline constexpr char kHeightValue[] = "LabelPreviewHeight";
inline constexpr char kSaveFrame[] = "Frame2";
inline constexpr char kFileTypeCaption[] = "Label7";
inline constexpr char kFileType[] = "ComboFiletype";
inline constexpr char kJpegQualityCaption[] = "Label8";
inline constexpr char kJpegQuality[] = "SliderJPEGcompression";
inline constexpr char kBitDepthCaption[] = "LabelBitDepth";
inline constexpr char kBitDepth[] = "ComboBitDepth";
inline constexpr char kSaveDefaults[] = "CommandSaveDefault";
inline constexpr char kCancel[] = "CommandCancel";
inline constexpr char kOk[] = "CommandOK";
} // namespace setupDialog

namespace aboutDialog {
inline constexpr char kWindow[] = "FormAbout";
inline constexpr char kIcon[] = "Image1";
inline constexpr char kProduct[] = "Label1";
inline constexpr char kRevision[] = "LabelRevision";
inline constexpr char kCredit[] = "Label2";
inline constexpr char kLibraries[] = "LabelLibraries";
inline constexpr char kClose[] = "Command1";
} // namespace aboutDialog

} // namespace lumicomb::ui::names
