#pragma once
// The interval table in the formats spreadsheets put on the clipboard beside
// the plain text. The plain text is the cells' display (locale, thousands
// separators, rounding); these carry the raw values:
//   LibreOffice Calc  application/x-openoffice-sylk;windows_formatname="Sylk"
//                       C;X2;Y1;K8067.2               the value, decimal point
//                     text/html
//                       <td sdval="8067,2" sdnum="1046;0;#.##0,00">8.067,20</td>
//   Excel             text/html  <td x:num="8067.2">8.067,20</td>, <td x:num>10</td>
//   Gnumeric          application/x-gnumeric  <gnm:Cell Row="0" Col="1" ValueType="40">8067.2</gnm:Cell>
// A cell without a raw value is read from its text by the plain text's rules
// (TableCells.h), so a header row and text cells behave as when pasted as text.
//
// Copying out, the table goes beside its plain text as HTML whose cells
// carry their values for Calc (sdval, sdnum) and Excel (x:num), so that
// either reads numbers in any locale. Measured with Calc 7.4 on X11: offered
// text and HTML, it takes the HTML (asking its import options, as for any
// HTML from another program); offered text and SYLK, it takes the text.

#include <string>
#include <string_view>
#include <vector>

#include "case/IntervalTable.h"

inline constexpr std::string_view kSylkMime = "application/x-openoffice-sylk;windows_formatname=\"Sylk\"";
inline constexpr std::string_view kGnumericMime = "application/x-gnumeric";
inline constexpr std::string_view kHtmlMime = "text/html";
inline constexpr std::string_view kPlainTextMime = "text/plain";

// The formats a table is read from, best first; plain text last.
const std::vector<std::string_view>& TableClipboardFormats();

// Reads the table from one format's data (kPlainTextMime: ParseIntervalTable).
// Refusals and codes as ParseIntervalTable's; data of a rich format that
// holds no table at all (a text editor's HTML, say) gives NoTableIn(error),
// and the next format is the one to read.
TResult<TPastedIntervals> ParseClipboardTable(std::string_view mime, std::string_view data,
                                              const TTableFormat& format = {}, const TTableProgress& progress = {});

// Whether a refusal says that the data held no table at all.
bool NoTableIn(const TError& error);

// The table as an HTML table, one row per interval: intervalo, duração,
// carga, each cell showing the plain text's value text and carrying the value
// for Calc (sdval="0.5" sdnum="1033;", read in any locale) and Excel
// (x:num="0.5"). TErrc::Cancelled, TErrc::NoMemory as FormatIntervalTable.
TResult<std::string> FormatIntervalTableHtml(const TCaseData& data, const TTableProgress& progress = {});

// The readers of each format, called by ParseClipboardTable.
TResult<TPastedIntervals> ParseSylkTable(std::string_view data, const TTableFormat& format = {},
                                         const TTableProgress& progress = {});
TResult<TPastedIntervals> ParseHtmlTable(std::string_view data, const TTableFormat& format = {},
                                         const TTableProgress& progress = {});
TResult<TPastedIntervals> ParseGnumericTable(std::string_view data, const TTableFormat& format = {},
                                             const TTableProgress& progress = {});
