#pragma once

// A plain reading of a description file, written from the rules alone and apart from the
// program's code, so that it stays an independent check of the fast reader: the lines, the
// entry starts, what each entry stores, the criteria, the file gauge and the 200-line rule,
// one line after the other.

#include "engine/Criteria.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fendix::testing {

using Lines = std::vector<std::string>;

// The lines of a file: a carriage return ends one, a line feed right after it belongs to that
// end, 0x1A ends the file, the last line needs no end.
inline Lines PlainLines(const std::string& bytes)
{
    const std::string text = bytes.substr(0, bytes.find('\x1A'));
    Lines lines{""};
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            lines.back() += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        if (i + 1 < text.size())
            lines.emplace_back();
    }
    return lines;
}

inline std::string PlainUpper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// Whether a text occurs in some line of an entry; an empty text occurs nowhere.
inline bool PlainFound(const std::string& text, bool ignoreCase, const Lines& entry)
{
    const std::string wanted = ignoreCase ? PlainUpper(text) : text;
    for (const auto& line : entry)
        if (!wanted.empty() && (ignoreCase ? PlainUpper(line) : line).find(wanted) != std::string::npos)
            return true;
    return false;
}

// The criteria joined strictly from left to right: (c1 op2 c2) op3 c3; criterion 2 takes
// part when its text is not empty, criterion 3 when criterion 2 does and its own text is not.
inline bool PlainMatches(const engine::Criteria& criteria, bool ignoreCase, const Lines& entry)
{
    const auto outcome = [&](std::size_t i) {
        return PlainFound(criteria.texts[i], ignoreCase, entry) != criteria.negated[i];
    };
    bool result = outcome(0);
    if (criteria.texts[1].empty())
        return result;
    result = criteria.EtRadio2 ? result && outcome(1) : result || outcome(1);
    if (criteria.texts[2].empty())
        return result;
    return criteria.EtRadio3 ? result && outcome(2) : result || outcome(2);
}

// Rounds part * 100 / whole to the nearest integer, a half to the even one.
inline int PlainPercent(std::int64_t part, std::int64_t whole)
{
    const std::int64_t doubled = 200 * part + whole;
    std::int64_t rounded = doubled / (2 * whole);
    if (doubled % (2 * whole) == 0 && rounded % 2 != 0)
        --rounded; // an exact half goes to the even neighbour
    return static_cast<int>(rounded);
}

struct PlainShow {
    std::string label;
    Lines lines;
    std::size_t line;         // index of the line at which it is shown
    std::optional<int> gauge; // the file gauge at that moment (none before any entry start)
    Lines after;              // the stored lines of the next entry once that line is stored
};

struct PlainRun {
    std::vector<PlainShow> shows;
    std::vector<int> gauges; // at every entry start, in order
    bool invalid = false;
    std::size_t lines = 0; // lines read, the first one included
    // With `history`: the stored lines and the file gauge after each line read.
    std::vector<Lines> gathered;
    std::vector<std::optional<int>> gaugeAfter;
};

// The whole reading of a file of `bytes`, named `name`, with its size taken as `size` (the
// number of bytes unless told).
inline PlainRun PlainRead(const std::string& bytes, const std::string& name, bool bbs,
                          const engine::Criteria& criteria, bool ignoreCase, bool history = false,
                          std::int64_t size = -1)
{
    const Lines lines = PlainLines(bytes);
    if (size < 0)
        size = static_cast<std::int64_t>(bytes.size());
    PlainRun run;
    bool maj = false;
    Lines entry;
    std::int64_t characters = 0;
    std::optional<int> gauge;
    const auto label = [&] {
        return name
               + (bbs   ? " fichier type BBS"
                  : maj ? " fichier type DP Tool Club, section MAJ"
                        : " fichier type DP Tool Club, section NEWS");
    };
    const auto store = [&](const std::string& line) {
        if (!bbs) {
            if (!line.empty())
                entry.push_back(line);
            return;
        }
        if (entry.empty() && !line.empty())
            entry.push_back(line.substr(0, 31));
        if (line.size() > 31)
            entry.push_back(line.substr(31));
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        characters += static_cast<std::int64_t>(line.size()) + 2;
        run.lines = i + 1;
        if (i > 0) {
            const bool starts = bbs ? !line.empty() && line[0] != ' '
                                    : line.size() >= 3 && line[0] == ' ' && line[1] == ' '
                                          && (line[2] == '\xCD' || line[2] == '\xFE');
            if (starts) {
                if (size > 0) {
                    gauge = PlainPercent(characters, size);
                    run.gauges.push_back(*gauge);
                }
                if (!bbs && line[2] == '\xFE')
                    maj = true;
                if (!entry.empty() && PlainMatches(criteria, ignoreCase, entry))
                    run.shows.push_back({label(), entry, i, gauge, {}});
                entry.clear();
            } else if (entry.size() >= 200) {
                run.invalid = true;
                return run;
            }
        }
        store(line);
        if (!run.shows.empty() && run.shows.back().line == i)
            run.shows.back().after = entry;
        if (history) {
            run.gathered.push_back(entry);
            run.gaugeAfter.push_back(gauge);
        }
    }
    if (!entry.empty() && PlainMatches(criteria, ignoreCase, entry))
        run.shows.push_back({label(), entry, lines.size(), gauge, {}});
    return run;
}

} // namespace fendix::testing
