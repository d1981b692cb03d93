#include "app/gui/ExitDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CExitDlg::CExitDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Exiting Tonvane"));
    auto* layout = new QVBoxLayout(this);
    for (const auto& text :
         {QStringLiteral("About to exit Tonvane."), QStringLiteral("Unsaved data will be lost!")}) {
        auto* line = new QLabel(text, this);
        line->setAlignment(Qt::AlignCenter);
        layout->addWidget(line);
    }
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel and return"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    layout->addLayout(buttons);
    ok->setFocus();
}
