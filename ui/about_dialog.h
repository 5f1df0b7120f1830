#pragma once
// The About box: product name, revision line, the image library's credit.
#include <QDialog>

namespace lumicomb::ui {

/// "Revision 1.0.2" for version 1.0.2: plain decimals, never padded.
QString revisionText(int major, int minor, int revision);

/// A fixed-size modal box; "Close" or the window's own close control dismisses it.
class AboutDialog : public QDialog {
  Q_OBJECT
public:
  explicit AboutDialog(QWidget *parent = nullptr);
};

} // namespace lumicomb::ui
