#include "shell/FileChooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace pimdesk {

QStringList DialogFileChooser::filesToOpen(const QString &title, const QStringList &filters)
{
    const QStringList files = QFileDialog::getOpenFileNames(m_parent, title, m_folder, filters.join(";;"));
    if (!files.isEmpty())
        m_folder = QFileInfo(files.first()).absolutePath();
    return files;
}

FileChooser::Saving DialogFileChooser::fileToSave(const QString &title, const QString &suggestedName,
                                                  const QStringList &filters)
{
    QString selected = filters.value(0);
    const QString start = m_folder.isEmpty() ? QDir::home().filePath(suggestedName) : QDir(m_folder).filePath(suggestedName);
    const QString file = QFileDialog::getSaveFileName(m_parent, title, start, filters.join(";;"), &selected);
    if (file.isEmpty())
        return {};
    m_folder = QFileInfo(file).absolutePath();
    return {file, std::max<int>(0, filters.indexOf(selected))};
}

} // namespace pimdesk
