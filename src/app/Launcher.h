#pragma once

#include <QWidget>
#include <array>

namespace pimdesk {

class ClickableLabel;

// The launcher (frmSplash): four pictures with captions for the four things the program is for.
// A click on a picture and a click on its caption report the same entry.
class Launcher : public QWidget
{
    Q_OBJECT
public:
    enum Entry { Contacts = 0, Calendar = 1, Tasks = 2, Outlook = 3 };
    static constexpr int entryCount = 4;

    explicit Launcher(QWidget *parent = nullptr);

    // An entry whose window does not exist yet is shown but takes no clicks.
    void setEntryEnabled(int entry, bool enabled);
    bool isEntryEnabled(int entry) const;

signals:
    void entryClicked(int entry);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::array<ClickableLabel *, entryCount> m_pictures{};
    std::array<ClickableLabel *, entryCount> m_captions{};
};

} // namespace pimdesk
