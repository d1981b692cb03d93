#pragma once

#include <QDialog>

// "Exiting Tonvane": asks before the panel closes. OK ends, "Cancel and return" (or Escape)
// goes back with everything as it was.
class CExitDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CExitDlg(QWidget* parent = nullptr);
};
