#pragma once

#include <QString>
#include <exception>

namespace pimdesk {

// A failure of the record store: the file cannot be opened, is not ours, or an SQL statement failed.
// The text is meant for the user (Korean, with the file's path where it helps).
class StoreError : public std::exception
{
public:
    explicit StoreError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString &message() const { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

} // namespace pimdesk
