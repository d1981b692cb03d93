#pragma once

#include <QDialog>
#include <string>

// "About Tonvane": the program's icon, what it is, and its version and legal notice.
class CAboutBox : public QDialog {
    Q_OBJECT
  public:
    CAboutBox(const std::string& legalNotice, const std::string& productVersion,
              QWidget* parent = nullptr);

    QString m_legalNotice;
    QString m_productVersion;
};
