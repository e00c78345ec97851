#pragma once

#include <QByteArray>
#include <QString>

namespace pimdesk::pst {

// 8-bit texts of Outlook data files (every text of an old ANSI file, stray ones in Unicode files)
// are in a Windows code page that the item declares, not in the file's header.

// The Korean code page: what an item that declares nothing is read with.
constexpr int defaultCodePage = 949;

// Bytes in Windows code page codePage (932, 949, 1252, ...) as text. Unknown code pages fall back
// to windows-1252, so a text is never lost, only possibly shown with the wrong letters.
QString decodeCodePage(const QByteArray &bytes, int codePage);

// The ANSI code page Windows uses for a locale id (LCID): 1042 (ko-KR) gives 949, 1041 gives 932.
int codePageOfLocale(quint32 lcid);

// An Internet code page (ISO-2022-JP 50220, EUC-KR 51949, ...) as the Windows code page of the
// same script; 0 when it names none this program knows.
int codePageOfInternetCodePage(quint32 codePage);

} // namespace pimdesk::pst
