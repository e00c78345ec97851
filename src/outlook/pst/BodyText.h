#pragma once

#include <QByteArray>
#include <QString>

namespace pimdesk::pst {

// Outlook's Body is plain text. Items that keep only an HTML or an RTF body (many items of
// mail-account files do) get it turned into text here. Paragraphs and line breaks become CR LF,
// as in Outlook's own plain bodies.

// An HTML document as text: tags, styles and scripts dropped, entities decoded.
QString textFromHtml(const QString &html);

// An (uncompressed) RTF document as text: control words, tables of fonts, colours and styles,
// pictures and other hidden parts dropped; 8-bit characters decoded with the document's code page
// (or the one of the current font's character set), Unicode characters kept. RTF that wraps an
// HTML or a plain-text original (Outlook's \fromhtml and \fromtext) gives that original's text.
// fallbackCodePage stands in when the document declares none.
QString textFromRtf(const QByteArray &rtf, int fallbackCodePage = 1252);

// What both readers end with. Line breaks at the end of a body carry nothing, nor blanks before a
// break; paragraph ends inside it give at most one empty line.
QString tidiedBody(QString text);
extern const QString bodyLineBreak; // CR LF

} // namespace pimdesk::pst
