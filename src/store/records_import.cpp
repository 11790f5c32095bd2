// SPDX-License-Identifier: MIT
// Reads a backup file (our JSON or CSV export) back into records, refusing anything malformed.
#include "store/records_import.h"

#include "platform/local_time.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <limits>
#include <set>

namespace vantro {
namespace {

using Json = nlohmann::json;

std::size_t lineAt(std::string_view text, std::size_t offset) {
    offset = std::min(offset, text.size());
    return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + static_cast<long>(offset), '\n'));
}

ParsedRecords refuse(std::size_t line, std::string reason) {
    return ParsedRecords{{}, ImportProblem{line, std::move(reason)}};
}

/// Offsets where the top-level elements begin, so a refused record can be named by its line. A backup
/// is a list of flat records; anything nested deeper is refused before the JSON parser sees it.
std::optional<ImportProblem> scanJson(std::string_view text, std::vector<std::size_t>& starts) {
    int depth = 0;
    bool inString = false, escaped = false, expectValue = false;
    std::size_t line = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') ++line;
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        if (depth == 1 && expectValue && c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != ']') {
            starts.push_back(i);
            expectValue = false;
        }
        switch (c) {
            case '"':
                inString = true;
                break;
            case '[':
            case '{':
                if (++depth > 2) return ImportProblem{line, "values are nested deeper than a list of records"};
                if (depth == 1) expectValue = true;
                break;
            case ']':
            case '}':
                --depth;
                break;
            case ',':
                if (depth == 1) expectValue = true;
                break;
            default:
                break;
        }
    }
    return std::nullopt;
}

/// A date key exactly as the store writes it.
bool isDateKey(const std::string& text) {
    const auto date = parseDate(text);
    return date && formatDate(*date) == text;
}

std::optional<std::int64_t> parseWhole(std::string_view text) {
    std::int64_t v = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || ptr != text.data() + text.size() || text.empty()) return std::nullopt;
    return v;
}

std::optional<std::int64_t> parseMinutes(std::string_view text) {
    const auto t = parseTime(text);
    if (!t) return std::nullopt;
    return t->hour * 60 + t->minute;
}

std::string valueRule(std::size_t field, const char* none) {
    return std::string(kRecordFields[field].name) +
           (kRecordFields[field].time ? " must be a time HH:MM or " : " must be a whole number or ") + none;
}

/// Adds a record unless its date was seen before; the reason otherwise.
std::optional<std::string> addRecord(StoredRecord&& record, std::set<std::string>& dates,
                                     std::vector<StoredRecord>& out) {
    if (!dates.insert(record.date).second) return "the date " + record.date + " is given twice";
    out.push_back(std::move(record));
    return std::nullopt;
}

ParsedRecords parseJson(std::string_view text) {
    std::vector<std::size_t> starts;
    if (auto problem = scanJson(text, starts)) return ParsedRecords{{}, problem};
    Json doc;
    try {
        doc = Json::parse(text.begin(), text.end());
    } catch (const Json::parse_error& e) {
        std::string what = e.what();
        const auto dash = what.find(" - ");
        return refuse(lineAt(text, e.byte > 0 ? e.byte - 1 : 0),
                      "not valid JSON" + (dash == std::string::npos ? "" : ": " + what.substr(dash + 3)));
    } catch (const Json::exception& e) {
        // A number too large for any type ("1E6000"); the message quotes it, which finds its line.
        const std::string what = e.what();
        const auto quote = what.find('\'');
        const std::string token = quote == std::string::npos ? "" : what.substr(quote + 1, what.size() - quote - 2);
        const auto at = token.empty() ? std::string_view::npos : text.find(token);
        return refuse(lineAt(text, at == std::string_view::npos ? 0 : at), "a number is out of range");
    }
    if (!doc.is_array()) return refuse(1, "a backup is a JSON list of records");
    ParsedRecords parsed;
    std::set<std::string> dates;
    for (std::size_t n = 0; n < doc.size(); ++n) {
        const Json& item = doc[n];
        const std::size_t line = n < starts.size() ? lineAt(text, starts[n]) : 1;
        if (!item.is_object()) return refuse(line, "a record must be an object with a date");
        const auto date = item.find("date");
        if (date == item.end() || !date->is_string()) return refuse(line, "a record needs its date as a text");
        StoredRecord record;
        record.date = date->get<std::string>();
        if (!isDateKey(record.date)) return refuse(line, "'" + record.date + "' is not a date (YYYY-MM-DD)");
        for (const auto& [key, value] : item.items()) {
            if (key == "date") continue;
            const auto field = recordFieldIndex(key);
            if (!field) return refuse(line, "unknown field '" + key + "'");
            if (value.is_null()) continue;
            auto& slot = record.values[*field];
            if (kRecordFields[*field].time) {
                if (value.is_string()) slot = parseMinutes(value.get<std::string>());
            } else if (value.is_number_integer() &&
                       (!value.is_number_unsigned() ||
                        value.get<std::uint64_t>() <= std::uint64_t(std::numeric_limits<std::int64_t>::max()))) {
                slot = value.get<std::int64_t>();
            }
            if (!slot) return refuse(line, valueRule(*field, "null") + ", not " + value.dump().substr(0, 40));
        }
        if (auto why = addRecord(std::move(record), dates, parsed.records)) return refuse(line, *why);
    }
    return parsed;
}

/// Splits RFC 4180 text into rows of fields, each with the line it starts on.
struct CsvRow {
    std::size_t line;
    std::vector<std::string> fields;
};

std::optional<ImportProblem> splitCsv(std::string_view text, std::vector<CsvRow>& rows) {
    std::size_t line = 1;
    std::size_t i = 0;
    while (i < text.size()) {
        CsvRow row{line, {}};
        std::string field;
        bool rowDone = false;
        while (!rowDone) {
            if (i < text.size() && text[i] == '"') {
                ++i;
                while (true) {
                    if (i >= text.size()) return ImportProblem{row.line, "a quoted field is not closed"};
                    if (text[i] == '"') {
                        if (i + 1 < text.size() && text[i + 1] == '"') {
                            field += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (text[i] == '\n') ++line;
                    field += text[i++];
                }
                if (i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
                    return ImportProblem{line, "text after a quoted field"};
                }
            } else {
                while (i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
                    if (text[i] == '"') return ImportProblem{line, "a quote inside an unquoted field"};
                    field += text[i++];
                }
            }
            row.fields.push_back(std::move(field));
            field.clear();
            if (i < text.size() && text[i] == ',') {
                ++i;
                continue;
            }
            if (i < text.size() && text[i] == '\r') ++i;
            if (i < text.size()) {
                if (text[i] != '\n') return ImportProblem{line, "a carriage return inside a field"};
                ++i;
            }
            ++line;
            rowDone = true;
        }
        // Blank lines (a trailing one included) carry nothing.
        if (row.fields.size() > 1 || !row.fields[0].empty()) rows.push_back(std::move(row));
    }
    return std::nullopt;
}

ParsedRecords parseCsv(std::string_view text) {
    std::vector<CsvRow> rows;
    if (auto problem = splitCsv(text, rows)) return ParsedRecords{{}, problem};
    if (rows.empty()) return refuse(1, "the file is empty; a backup starts with its header row or '['");
    // The header says which column holds which field: -1 for the date.
    std::vector<long> columns;
    bool hasDate = false;
    for (const auto& name : rows[0].fields) {
        const auto field = recordFieldIndex(name);
        if (name == "date" && !hasDate) {
            hasDate = true;
            columns.push_back(-1);
        } else if (field && std::find(columns.begin(), columns.end(), long(*field)) == columns.end()) {
            columns.push_back(static_cast<long>(*field));
        } else {
            return refuse(rows[0].line, "the header names '" + name + "', which is not a field or is given twice");
        }
    }
    if (!hasDate) return refuse(rows[0].line, "the header has no date column");
    ParsedRecords parsed;
    std::set<std::string> dates;
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const auto& row = rows[r];
        if (row.fields.size() != columns.size()) {
            return refuse(row.line, std::to_string(row.fields.size()) + " fields where the header has " +
                                        std::to_string(columns.size()));
        }
        StoredRecord record;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const std::string& text = row.fields[c];
            if (columns[c] < 0) {
                if (!isDateKey(text)) return refuse(row.line, "'" + text + "' is not a date (YYYY-MM-DD)");
                record.date = text;
                continue;
            }
            if (text.empty()) continue;
            const auto field = static_cast<std::size_t>(columns[c]);
            auto& slot = record.values[field];
            slot = kRecordFields[field].time ? parseMinutes(text) : parseWhole(text);
            if (!slot) return refuse(row.line, valueRule(field, "empty") + ", not '" + text + "'");
        }
        if (auto why = addRecord(std::move(record), dates, parsed.records)) return refuse(row.line, *why);
    }
    return parsed;
}

}  // namespace

ParsedRecords parseRecords(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    const auto first = bytes.find_first_not_of(" \t\r\n");
    ParsedRecords parsed = first != std::string_view::npos && bytes[first] == '[' ? parseJson(bytes) : parseCsv(bytes);
    std::sort(parsed.records.begin(), parsed.records.end(),
              [](const StoredRecord& a, const StoredRecord& b) { return a.date < b.date; });
    return parsed;
}

}  // namespace vantro
