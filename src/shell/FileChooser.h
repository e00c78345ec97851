#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace pimdesk {

// How the program asks the user for files to read and a file to write: the file dialogs in the
// program, a script in the tests (which answers as the user would, without a dialog).
class FileChooser
{
public:
    virtual ~FileChooser() = default;

    // The files picked to read; empty when the user cancelled. filters: "vCard (*.vcf)" ...
    virtual QStringList filesToOpen(const QString &title, const QStringList &filters) = 0;

    struct Saving
    {
        QString file; // empty when the user cancelled
        int filter = 0; // the place of the filter the user chose among the given ones
    };
    virtual Saving fileToSave(const QString &title, const QString &suggestedName, const QStringList &filters) = 0;
};

// The platform's file dialogs, over a parent window; they start in the folder last used.
class DialogFileChooser : public FileChooser
{
public:
    explicit DialogFileChooser(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParentWidget(QWidget *parent) { m_parent = parent; }

    QStringList filesToOpen(const QString &title, const QStringList &filters) override;
    Saving fileToSave(const QString &title, const QString &suggestedName, const QStringList &filters) override;

private:
    QWidget *m_parent;
    QString m_folder;
};

} // namespace pimdesk
