#include "platform/gui/QtUiServices.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "platform/FileFilter.h"

QStringList CQtUiServices::NameFilters(const std::string& filter) {
    QStringList filters;
    for (const auto& entry : ParseFileFilter(filter)) {
        QStringList patterns;
        for (const auto& pattern : entry.patterns)
            patterns << QString::fromStdString(pattern);
        filters << QStringLiteral("%1 (%2)").arg(QString::fromStdString(entry.description),
                                                 patterns.join(' '));
    }
    return filters;
}

std::optional<std::string> CQtUiServices::GetOpenFileName(const std::string& filter,
                                                          const std::string& defaultExt,
                                                          const std::string& proposedName) {
    QFileDialog dialog(m_parent, QStringLiteral("Open"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(NameFilters(filter));
    if (!defaultExt.empty())
        dialog.setDefaultSuffix(QString::fromStdString(defaultExt));
    if (!proposedName.empty())
        dialog.selectFile(QString::fromStdString(proposedName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().first()).toStdString();
}

std::optional<std::string> CQtUiServices::GetSaveFileName(const std::string& filter,
                                                          const std::string& defaultExt,
                                                          const std::string& proposedName) {
    QFileDialog dialog(m_parent, QStringLiteral("Save As"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(NameFilters(filter));
    // Qt asks before overwriting an existing file unless told not to.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (!defaultExt.empty())
        dialog.setDefaultSuffix(QString::fromStdString(defaultExt));
    if (!proposedName.empty())
        dialog.selectFile(QString::fromStdString(proposedName));
    while (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const QString path = dialog.selectedFiles().first();
        if (QFileInfo(path).absoluteDir().exists())
            return QDir::toNativeSeparators(path).toStdString();
        QMessageBox::warning(&dialog, kAppCaption,
                             QStringLiteral("The folder of %1 does not exist.").arg(path));
    }
    return std::nullopt;
}

void CQtUiServices::MessageBox(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, kAppCaption, QString::fromStdString(text), QMessageBox::Ok,
                    m_parent);
    box.exec();
}

void CQtUiServices::BeginWaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void CQtUiServices::EndWaitCursor() {
    QApplication::restoreOverrideCursor();
}
