#include "app/gui/AboutBox.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/gui/AppIcon.h"

CAboutBox::CAboutBox(const std::string& legalNotice, const std::string& productVersion,
                     QWidget* parent)
    : QDialog(parent),
      m_legalNotice(QString::fromStdString(legalNotice)),
      m_productVersion(QString::fromStdString(productVersion)) {
    setWindowTitle(QStringLiteral("About Tonvane"));
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(48, 48));
    icon->setAccessibleName(QStringLiteral("Program icon"));

    auto* description = new QLabel(
        QStringLiteral("Tonvane: analysis of bell sounds, their partials and their decay"), this);
    auto* author = new QLabel(QStringLiteral("Written by the Tonvane developers"), this);

    const auto readOnly = [this](const QString& text, const QString& name) {
        auto* edit = new QLineEdit(text, this);
        edit->setReadOnly(true);
        edit->setFrame(false);
        edit->setAccessibleName(name);
        return edit;
    };
    auto* versionLabel = new QLabel(QStringLiteral("Version:"), this);
    auto* version = readOnly(m_productVersion, QStringLiteral("Version:"));
    versionLabel->setBuddy(version);
    auto* legal = readOnly(m_legalNotice, QStringLiteral("Legal notice"));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(description, 0, 1, 1, 2);
    grid->addWidget(author, 1, 1, 1, 2);
    grid->addWidget(versionLabel, 2, 1);
    grid->addWidget(version, 2, 2);
    grid->addWidget(legal, 3, 1, 1, 2);
    grid->addWidget(ok, 0, 3, Qt::AlignTop);
    ok->setFocus();
}
