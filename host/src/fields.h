// Strict parsing of the host's colon-separated and blank-separated text files.
#ifndef __VDR_FIELDS_H
#define __VDR_FIELDS_H

#include <functional>
#include <string>
#include <vector>

// The whole text as a decimal integer (leading '-' allowed), nothing else around it.
bool ParseInt(const std::string &s, int &Value);
bool ParseLong(const std::string &s, long long &Value);
// The whole text as a hexadecimal number.
bool ParseHex(const std::string &s, int &Value);
// Splits at every Separator; with MaxFields > 0 the last field takes the rest of the text.
std::vector<std::string> SplitFields(const char *s, char Separator, size_t MaxFields = 0);
// Every occurrence of From replaced by To.
std::string Exchanged(std::string s, char From, char To);

// Hands every line that is not blank, without its trailing white space, to Parse; a line
// that Parse refuses is reported as "error in <file>, line <n>". Returns the number of
// refused lines, or -1 (reported) when the file cannot be opened.
int ReadLines(const char *FileName, const std::function<bool(char *Line)> &Parse);
// The host log's line for a bad line of a file.
void ReportBadLine(const char *FileName, int Line);

#endif
