#pragma once

#include "engine/Highlight.h"
#include "tools/Printers.h"

#include <optional>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

namespace fendix::tools {

// One JSON object per line (JSON Lines), in UTF-8, its "type" first:
//   {"type":"entry","path":P,"label":L,"kind":"bbs"|"news"|"maj","lines":[...],
//    "matches":[{"line":i,"start":s,"end":e},...]}
//   {"type":"file-match","path":P}                    with -l
//   {"type":"message","text":T}                       an invalid file
//   {"type":"warning","text":T}
//   {"type":"error","text":T,"path":P,"code":n}       path and code when known
//   {"type":"file","path":P}, {"type":"gauge","file":n,"total":n}   with --trace
//   {"type":"item","group":"asc"|"vrac"|"autre","name":N}            with --list
//   {"type":"summary","entries":n,"files":n,"bytes":n}              at the end of a search
// The lines are the stored lines decoded from code page 437 one to one (every byte its own
// character, the tab a tab); the matches are byte offsets into them, [start, end). A path,
// label or text that is not valid UTF-8 is {"bytes":"<base64>"} in place of the string.
class JsonPrinter final : public Printer {
public:
    JsonPrinter(OutputBuffer& out, bool interactive);

    void BeginSearch(const engine::Criteria& criteria, bool ignoreCase) override;
    void FileCaption(std::string_view caption, std::string_view path) override;
    void Gauge(GaugeName changed, int filePercent, int totalPercent) override;
    void Entry(const EntryShown& entry) override;
    void FileWithMatch(std::string_view path) override;
    void Message(std::string_view text) override;
    void Warning(std::string_view text) override;
    void Error(const RunError& error) override;
    void Item(std::string_view group, std::string_view name) override;
    void Count(std::size_t) override {}
    void Summary(const RunTotals& totals) override;

private:
    // The objects are written straight into the output block.
    class Stream final : public std::streambuf {
    public:
        explicit Stream(OutputBuffer& out) : out_(out) {}

    protected:
        int_type overflow(int_type c) override;
        std::streamsize xsputn(const char* bytes, std::streamsize count) override;

    private:
        OutputBuffer& out_;
    };

    template <typename Json> void Write(const Json& object);

    Stream buffer_;
    std::ostream stream_;
    std::optional<engine::Highlighter> highlighter_;
};

// Bytes in base64 (RFC 4648, with padding).
std::string Base64(std::string_view bytes);

} // namespace fendix::tools
