// SPDX-License-Identifier: MIT
// Reads a backup file (our JSON or CSV export) back into records, refusing anything malformed.
#include "store/records_import.h"

#include "platform/local_time.h"
#include "platform/strprintf.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <array>
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

/// Where the top-level elements begin, counted in one pass so that naming a record's line costs
/// nothing per record. A backup is
/// a list of flat records; anything nested deeper is refused before the JSON parser sees it, and so is
/// a NUL byte, which would end the parser's input early and silently drop what follows.
struct JsonLines {
    std::vector<std::size_t> elements;
};

std::optional<ImportProblem> scanJson(std::string_view text, JsonLines& lines) {
    int depth = 0;
    bool inString = false, escaped = false, expectValue = false;
    std::size_t line = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') ++line;
        if (c == '\0') return ImportProblem{line, "a NUL byte, which is not JSON text"};
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
            lines.elements.push_back(line);
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

// Counts take the range the wristband reports and store-day and store-night accept, so nothing gets
// in that the screens would show wrapped or clamped.
std::optional<std::int64_t> parseWhole(std::string_view text) {
    std::int64_t v = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || ptr != text.data() + text.size() || text.empty()) return std::nullopt;
    if (v < 0 || v > kMaxRecordCount) return std::nullopt;
    return v;
}

std::optional<std::int64_t> parseMinutes(std::string_view text) {
    const auto t = parseTime(text);
    if (!t) return std::nullopt;
    return t->hour * 60 + t->minute;
}

std::string valueRule(std::size_t field, const char* none) {
    return std::string(kRecordFields[field].name) +
           (kRecordFields[field].time ? " must be a time HH:MM or " : " must be a whole number from 0 to 65535 or ") +
           none;
}

/// Adds a record unless its date was seen before; the reason otherwise.
std::optional<std::string> addRecord(StoredRecord&& record, std::set<std::string>& dates,
                                     std::vector<StoredRecord>& out) {
    if (!dates.insert(record.date).second) return "the date " + record.date + " is given twice";
    out.push_back(std::move(record));
    return std::nullopt;
}

/// Builds records straight from the parser's events: no document tree, one pass, and a key given twice
/// in a record is seen (a tree would keep only the last).
class RecordReader : public nlohmann::json_sax<Json> {
public:
    RecordReader(std::string_view text, const JsonLines& lines) : m_text(text), m_lines(lines) {}

    std::optional<ImportProblem> problem;
    std::vector<StoredRecord> records;

    bool null() override { return scalar(std::nullopt, "null"); }
    bool boolean(bool v) override { return scalar(std::nullopt, v ? "true" : "false"); }
    bool number_integer(std::int64_t v) override {
        return scalar(v >= 0 && v <= kMaxRecordCount ? std::optional<std::int64_t>(v) : std::nullopt,
                      std::to_string(v));
    }
    bool number_unsigned(std::uint64_t v) override {
        return scalar(v <= std::uint64_t(kMaxRecordCount) ? std::optional<std::int64_t>(v) : std::nullopt,
                      std::to_string(v));
    }
    bool number_float(double, const std::string& text) override { return scalar(std::nullopt, text); }
    bool string(std::string& v) override {
        if (m_depth == 2 && m_field == kDate) return date(v);
        const bool time = m_depth == 2 && m_field >= 0 && kRecordFields[std::size_t(m_field)].time;
        return scalar(time ? parseMinutes(v) : std::nullopt, Json(v).dump());
    }
    bool binary(Json::binary_t&) override { return scalar(std::nullopt, "binary data"); }
    bool start_object(std::size_t) override {
        if (m_depth != 1) return fail(m_depth == 0 ? 1 : line(), "a backup is a JSON list of records");
        ++m_elements;
        ++m_depth;
        m_record = StoredRecord{};
        m_seen.fill(false);
        m_hasDate = false;
        return true;
    }
    bool key(std::string& name) override {
        const auto field = recordFieldIndex(name);
        if (name != "date" && !field) return fail(line(), "unknown field " + quoteText(name));
        m_field = field ? static_cast<int>(*field) : kDate;
        if (m_seen[std::size_t(m_field + 1)]) {
            return fail(line(), "the field " + quoteText(name) + " is given twice in one record");
        }
        m_seen[std::size_t(m_field + 1)] = true;
        return true;
    }
    bool end_object() override {
        --m_depth;
        if (!m_hasDate) return fail(line(), "a record needs its date as a text");
        if (auto why = addRecord(std::move(m_record), m_dates, records)) return fail(line(), *why);
        return true;
    }
    bool start_array(std::size_t) override {
        if (m_depth != 0) return scalar(std::nullopt, "a list");
        ++m_depth;
        return true;
    }
    bool end_array() override {
        --m_depth;
        return true;
    }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& e) override {
        const std::size_t at = lineAt(m_text, position > 0 ? position - 1 : 0);
        // A number too large for any type ("1E6000").
        if (e.id == 406) return fail(at, "a number is out of range");
        const std::string what = e.what();
        const auto dash = what.find(" - ");
        return fail(at, "not valid JSON" + (dash == std::string::npos ? "" : ": " + quoteText(what.substr(dash + 3))));
    }

private:
    static constexpr int kDate = -1;

    std::size_t line() const {
        return m_elements > 0 && m_elements <= m_lines.elements.size() ? m_lines.elements[m_elements - 1] : 1;
    }
    bool fail(std::size_t line, std::string reason) {
        if (!problem) problem = ImportProblem{line, std::move(reason)};
        return false;
    }
    bool date(const std::string& text) {
        if (!isDateKey(text)) return fail(line(), quoteText(text) + " is not a date (YYYY-MM-DD)");
        m_record.date = text;
        m_hasDate = true;
        return true;
    }
    // A value of a record's field, or an element of the list that is no record.
    bool scalar(std::optional<std::int64_t> value, const std::string& text) {
        if (m_depth == 0) return fail(1, "a backup is a JSON list of records");
        if (m_depth == 1) {
            ++m_elements;
            return fail(line(), "a record must be an object with a date");
        }
        if (m_field == kDate) return fail(line(), "a record needs its date as a text");
        const auto field = std::size_t(m_field);
        if (text == "null") return true;
        const bool time = kRecordFields[field].time;
        if (!value || (time && text.front() != '"') || (!time && text.front() == '"')) {
            return fail(line(), valueRule(field, "null") + ", not " + quoteText(text));
        }
        m_record.values[field] = value;
        return true;
    }

    std::string_view m_text;
    const JsonLines& m_lines;
    int m_depth = 0;
    std::size_t m_elements = 0;
    int m_field = kDate;
    std::array<bool, kRecordFields.size() + 1> m_seen{};
    bool m_hasDate = false;
    StoredRecord m_record;
    std::set<std::string> m_dates;
};

ParsedRecords parseJson(std::string_view text) {
    JsonLines lines;
    if (auto problem = scanJson(text, lines)) return ParsedRecords{{}, problem};
    RecordReader reader(text, lines);
    if (!Json::sax_parse(text.begin(), text.end(), &reader) || reader.problem) {
        return ParsedRecords{{}, reader.problem.value_or(ImportProblem{1, "not valid JSON"})};
    }
    return ParsedRecords{std::move(reader.records), std::nullopt};
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
            return refuse(rows[0].line,
                          "the header names " + quoteText(name) + ", which is not a field or is given twice");
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
                if (!isDateKey(text)) return refuse(row.line, quoteText(text) + " is not a date (YYYY-MM-DD)");
                record.date = text;
                continue;
            }
            if (text.empty()) continue;
            const auto field = static_cast<std::size_t>(columns[c]);
            auto& slot = record.values[field];
            slot = kRecordFields[field].time ? parseMinutes(text) : parseWhole(text);
            if (!slot) return refuse(row.line, valueRule(field, "empty") + ", not " + quoteText(text));
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
