#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The service's answers are short HTML texts in which every value follows a fixed key
// ("IPAddress:") and runs up to the next "</p".
namespace pellmarch::protocol {

// The value after the first occurrence of `key` (case-sensitive), up to the next "</p", with
// surrounding spaces dropped; empty text when the key is absent. No value at all (nullopt) when
// the key is present but no "</p" follows it: the caller then skips the step that wanted it.
// A key counts only whole: where it starts the answer or follows a character that is not a
// letter or digit, so "IPAddress:" is never found inside "GetIPAddress:".
std::optional<QString> GetField(const QString &answer, const QString &key);

// The value after `key` (as GetField reads it) only when the answer carries the key: nullopt
// when the key is absent, or present without a following "</p". An answer without a record list
// says nothing about the records, where GetField's empty text would say "none".
std::optional<QString> PresentField(const QString &answer, const QString &key);

// Absent becomes empty text; text loses its leading and trailing spaces (U+0020 only).
QString NullTrim(const std::optional<QString> &value);

// A record command or address query succeeded: "SUCCESS" occurs in the answer, other than as
// the tail of "UNSUCCESS".
bool IsSuccessAnswer(const QString &answer);

// Whether `answer` is the service's own: it carries a value under one of the keys the service
// writes ("Error:", "DNS LOGIN:", "IPAddress:", "DomainUserRecords:") or its verdict
// "UNSUCCESS...". A proxy's or gateway's page ("504 Gateway Time-out") carries none.
bool IsServiceAnswer(const QString &answer);

// An address as the service reports it counts only as a dotted IPv4 address: four decimal
// numbers 0-255 (no sign, no leading zeros beyond a lone "0"), nothing before or after. Any
// other text ("SUCCESS", "<b>unknown</b>", "203.0.113.300") is no address, and nothing is ever
// registered or moved to it.
bool IsDottedIPv4(QStringView text);

// The pieces of a comma-separated list, untrimmed; "a,,b," gives four, empty text none.
QStringList SplitListPieces(const QString &list);

} // namespace pellmarch::protocol
