// fendix-corpus: writes a deterministic corpus of description files for
// timing the search.
//
//   fendix-corpus SIZE_MB OUTDIR
//       About SIZE_MB * 10^6 bytes in OUTDIR (created if missing): 45 % in
//       ASCnn.ASC catalogues, 35 % in VRACnn.BBS listings, 20 % in other
//       NAME.BBS listings, each file around 4-8 MB.
//   fendix-corpus --single-line SIZE_MB FILE
//   fendix-corpus --raw-image ISO BIN
//       One file made of a single line of exactly SIZE_MB * 10^6 bytes.
//
// The same arguments give the same bytes on every machine: the numbers come
// from our own splitmix64 generator, never from a library distribution.
//
// Words planted for the benchmark:
//   "shareware" (as shareware, Shareware or SHAREWARE) in about 1 line of 8,
//   "demo" (demo, Demo or DEMO) in about 1 line of 30,
//   "Zorglub" in about one entry per 10 MB; the single line has exactly one,
//   near its end.
// No other text holds these words, even with accents taken off.
//
// As real DOS listings do, one file in three ends with the end-of-file byte
// 0x1A, one listing of other names in four ends its lines with a carriage
// return alone, and about one line in 400 holds a line feed of its own.

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kMegabyte = 1'000'000;
constexpr std::uint64_t kMaxMegabytes = 100'000;
constexpr std::uint64_t kSeed = 0x46454E4449580001ULL;
constexpr std::uint64_t kFileTarget = 6 * kMegabyte;
constexpr std::uint64_t kRareEvery = 10 * kMegabyte;

// Chances per 10 000 lines of description text, set so that the counts over
// all lines come out near 1/8 and 1/30.  In a listing every line holds
// description text; in a catalogue about 6 lines of 10 do, the others being
// entry starts and frames.
struct Chances {
    std::uint32_t common;
    std::uint32_t other;
};
constexpr Chances kListingChances{1250, 333};
constexpr Chances kCatalogueChances{2100, 560};

constexpr std::size_t kMinLine = 20;
constexpr std::size_t kMaxLine = 90;
constexpr std::size_t kDescColumn = 31; // bytes before the description

// ---------------------------------------------------------------------------
// Random numbers

class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // A number in [0, n), n > 0.
    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(((next() >> 32) * n) >> 32); }

    // A number in [lo, hi], lo <= hi.
    std::size_t between(std::size_t lo, std::size_t hi)
    {
        return lo + below(static_cast<std::uint32_t>(hi - lo + 1));
    }

    bool per10000(std::uint32_t chance) { return below(10000) < chance; }

    const std::string& pick(const std::vector<std::string>& from)
    {
        return from[below(static_cast<std::uint32_t>(from.size()))];
    }

private:
    std::uint64_t state_;
};

// ---------------------------------------------------------------------------
// Code page 437

constexpr char byte(unsigned value)
{
    return static_cast<char>(value);
}

struct Box {
    char topLeft, topRight, bottomLeft, bottomRight, across, down;
};
constexpr Box kDoubleBox{byte(0xC9), byte(0xBB), byte(0xC8), byte(0xBC), byte(0xCD), byte(0xBA)};
constexpr Box kSingleBox{byte(0xDA), byte(0xBF), byte(0xC0), byte(0xD9), byte(0xC4), byte(0xB3)};
constexpr char kDoubleLine = byte(0xCD);
constexpr char kSquare = byte(0xFE);

struct Glyph {
    char32_t codePoint;
    unsigned char cp437;
};

constexpr std::array kGlyphs{
    Glyph{U'\u00C7', 0x80}, Glyph{U'\u00FC', 0x81}, Glyph{U'\u00E9', 0x82}, Glyph{U'\u00E2', 0x83},
    Glyph{U'\u00E4', 0x84}, Glyph{U'\u00E0', 0x85}, Glyph{U'\u00E7', 0x87}, Glyph{U'\u00EA', 0x88},
    Glyph{U'\u00EB', 0x89}, Glyph{U'\u00E8', 0x8A}, Glyph{U'\u00EF', 0x8B}, Glyph{U'\u00EE', 0x8C},
    Glyph{U'\u00C9', 0x90}, Glyph{U'\u00F4', 0x93}, Glyph{U'\u00F6', 0x94}, Glyph{U'\u00FB', 0x96},
    Glyph{U'\u00F9', 0x97}, Glyph{U'\u00B0', 0xF8}, Glyph{U'\u00B7', 0xFA}, Glyph{U'\u00AB', 0xAE},
    Glyph{U'\u00BB', 0xAF}, Glyph{U'\u2591', 0xB0}, Glyph{U'\u2592', 0xB1}, Glyph{U'\u2593', 0xB2},
    Glyph{U'\u2502', 0xB3}, Glyph{U'\u2551', 0xBA}, Glyph{U'\u2557', 0xBB}, Glyph{U'\u255D', 0xBC},
    Glyph{U'\u2510', 0xBF}, Glyph{U'\u2514', 0xC0}, Glyph{U'\u2500', 0xC4}, Glyph{U'\u255A', 0xC8},
    Glyph{U'\u2554', 0xC9}, Glyph{U'\u2550', 0xCD}, Glyph{U'\u2518', 0xD9}, Glyph{U'\u250C', 0xDA},
    Glyph{U'\u2588', 0xDB}, Glyph{U'\u25A0', 0xFE},
};

// The texts below are written in UTF-8 for the reader; they are turned into
// code page 437 bytes once, at start.
std::string toCp437(std::u8string_view text)
{
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        char32_t code = 0;
        std::size_t length = 0;
        if (lead < 0x80) {
            code = lead;
            length = 1;
        } else if ((lead & 0xE0) == 0xC0) {
            code = lead & 0x1Fu;
            length = 2;
        } else if ((lead & 0xF0) == 0xE0) {
            code = lead & 0x0Fu;
            length = 3;
        } else {
            throw std::logic_error("unexpected UTF-8 in a built-in text");
        }
        if (i + length > text.size())
            throw std::logic_error("cut UTF-8 in a built-in text");
        for (std::size_t k = 1; k < length; ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
        i += length;
        if (code < 0x80) {
            out += static_cast<char>(code);
            continue;
        }
        bool found = false;
        for (const Glyph& glyph : kGlyphs) {
            if (glyph.codePoint == code) {
                out += static_cast<char>(glyph.cp437);
                found = true;
                break;
            }
        }
        if (!found)
            throw std::logic_error("a built-in text has a character outside code page 437");
    }
    return out;
}

// Lower case without accents, to check that no built-in text holds a
// planted word by accident.
std::string plain(std::string_view text)
{
    std::string out;
    for (char c : text) {
        switch (static_cast<unsigned char>(c)) {
        case 0x82:
        case 0x88:
        case 0x89:
        case 0x8A:
        case 0x90:
            out += 'e';
            break;
        case 0x83:
        case 0x84:
        case 0x85:
            out += 'a';
            break;
        case 0x80:
        case 0x87:
            out += 'c';
            break;
        case 0x8B:
        case 0x8C:
            out += 'i';
            break;
        case 0x93:
        case 0x94:
            out += 'o';
            break;
        case 0x81:
        case 0x96:
        case 0x97:
            out += 'u';
            break;
        default:
            out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
    }
    return out;
}

bool holdsPlantedWord(std::string_view text)
{
    const std::string p = plain(text);
    return p.find("shareware") != std::string::npos || p.find("demo") != std::string::npos
           || p.find("zorglub") != std::string::npos;
}

enum class Planted { No, Yes };

template <std::size_t N>
std::vector<std::string> pool(const std::array<std::u8string_view, N>& texts, Planted planted = Planted::No)
{
    std::vector<std::string> out;
    out.reserve(N);
    for (std::u8string_view text : texts) {
        out.push_back(toCp437(text));
        if ((planted == Planted::No) == holdsPlantedWord(out.back()))
            throw std::logic_error("a built-in text is in the wrong list: " + out.back());
    }
    return out;
}

// ---------------------------------------------------------------------------
// Built-in texts

constexpr std::array<std::u8string_view, 96> kFragments{
    u8"jeu de plateforme",
    u8"en 256 couleurs",
    u8"avec sauvegarde des scores",
    u8"pour Windows 3.1",
    u8"nécessite 4 Mo de mémoire",
    u8"compatible Sound Blaster",
    u8"logiciel éducatif pour le primaire",
    u8"gestion de fichiers",
    u8"éditeur de niveaux fourni",
    u8"musique au format MOD",
    u8"graphismes VGA très soignés",
    u8"entièrement en français",
    u8"version complète à l'enregistrement",
    u8"aide en ligne détaillée",
    u8"souris conseillée",
    u8"tableau des meilleurs scores",
    u8"trois niveaux de difficulté",
    u8"pour les débutants comme pour les experts",
    u8"défilement très fluide",
    u8"impression des résultats",
    u8"interface en mode texte",
    u8"menus déroulants",
    u8"au clavier ou au joystick",
    u8"conversion entre formats PCX, GIF et BMP",
    u8"fonctionne sous DOS 5 et 6",
    u8"compression des archives",
    u8"disquettes de secours",
    u8"idéal pour réviser",
    u8"du CE1 au CM2",
    u8"à partir de 6 ans",
    u8"mathématiques et géométrie",
    u8"exercices corrigés",
    u8"calcul de la TVA",
    u8"fichier clients",
    u8"carnet d'adresses",
    u8"agenda et rappels",
    u8"cartes de France",
    u8"le système solaire",
    u8"sur réseau local",
    u8"par modem Hayes",
    u8"serveur BBS",
    u8"messagerie",
    u8"transfert Zmodem",
    u8"sources en Pascal",
    u8"bibliothèque en C",
    u8"polices de caractères",
    u8"icônes en couleurs",
    u8"économiseur d'écran",
    u8"fond d'écran",
    u8"échecs et dames",
    u8"jeu de cartes",
    u8"réussites et patiences",
    u8"bataille spatiale",
    u8"course automobile",
    u8"simulateur de vol",
    u8"labyrinthe en 3D",
    u8"aventure graphique",
    u8"mots croisés",
    u8"jeu de lettres",
    u8"à deux joueurs",
    u8"très amusant",
    u8"nouvelle version",
    u8"corrige plusieurs erreurs",
    u8"plus rapide que la précédente",
    u8"mise à jour gratuite",
    u8"documentation complète",
    u8"français et anglais",
    u8"écran couleur obligatoire",
    u8"disque dur conseillé",
    u8"tourne sur 286",
    u8"386 recommandé",
    u8"généalogie",
    u8"comptabilité familiale",
    u8"recettes de cuisine",
    u8"horoscope et biorythmes",
    u8"relevés météo",
    u8"dessins animés",
    u8"coloriages",
    u8"pinceaux et dégradés",
    u8"zoom et loupe",
    u8"fractales",
    u8"tracé de courbes",
    u8"tableur simple",
    u8"traitement de texte",
    u8"correcteur d'orthographe",
    u8"dictionnaire des synonymes",
    u8"conjugaison",
    u8"vocabulaire anglais",
    u8"solfège",
    u8"partitions",
    u8"boîte à rythmes",
    u8"jeu de tarot",
    u8"bruitages numérisés",
    u8"sauvegarde des parties",
    u8"règles du jeu",
    u8"écran de présentation",
};

constexpr std::array<std::u8string_view, 20> kCategories{
    u8"JEUX / ARCADE",         u8"JEUX / RÉFLEXION",       u8"JEUX / CARTES",
    u8"JEUX / AVENTURE",       u8"JEUX / SPORT",           u8"UTILITAIRES / DISQUE",
    u8"UTILITAIRES / SYSTEME", u8"UTILITAIRES / FICHIERS", u8"ÉDUCATIF / MATHÉMATIQUES",
    u8"ÉDUCATIF / FRANÇAIS",   u8"ÉDUCATIF / LANGUES",     u8"ÉDUCATIF / SCIENCES",
    u8"GRAPHISME / DESSIN",    u8"GRAPHISME / IMAGES",     u8"MUSIQUE / MODULES",
    u8"BUREAUTIQUE / GESTION", u8"PROGRAMMATION / PASCAL", u8"PROGRAMMATION / C",
    u8"COMMUNICATION / BBS",   u8"WINDOWS / UTILITAIRES",
};

// File name stems: ASCII, at most 6 letters.
constexpr std::array<std::u8string_view, 40> kStems{
    u8"TAROT",  u8"GALAXI", u8"RANGE", u8"BELOTE", u8"CALCUL", u8"FONTES", u8"MINITL", u8"RECET",
    u8"GENEA",  u8"COMPTE", u8"SOKO",  u8"LOTO",   u8"AQUA",   u8"MEMOIR", u8"SYNON",  u8"PATIEN",
    u8"SOLFEG", u8"ASTRO",  u8"VIRUS", u8"MOTS",   u8"FRACT",  u8"BATNAV", u8"LABY",   u8"ORTHO",
    u8"ANGLAI", u8"MENU",   u8"SAUVE", u8"HORLOG", u8"ETIQ",   u8"MODPLA", u8"PCXVU",  u8"TRAINS",
    u8"PENDU",  u8"QUIZZ",  u8"QWK",   u8"ROBOTS", u8"BIORYT", u8"CONJUG", u8"ECHECS", u8"DAMES",
};

constexpr std::array<std::u8string_view, 5> kExtensions{u8"ZIP", u8"ARJ", u8"LZH", u8"ZOO", u8"EXE"};

constexpr std::array<std::u8string_view, 16> kOtherListings{
    u8"NEWS",    u8"UTILS", u8"JEUX",   u8"GRAPHISM", u8"EDUCATIF", u8"MUSIQUE", u8"WINDOWS", u8"DOSUTIL",
    u8"PROGRAM", u8"COMMS", u8"BUREAU", u8"IMAGES",   u8"SONS",     u8"FONTES",  u8"DIVERS",  u8"OS2",
};

constexpr std::array<std::u8string_view, 4> kNotes{
    u8"Freeware",
    u8"Domaine public",
    u8"Version complète",
    u8"Disquette 3\"1/2",
};

constexpr std::array<std::u8string_view, 6> kCommon{
    u8"shareware", u8"Shareware", u8"SHAREWARE", u8"version shareware", u8"en Shareware", u8"SHAREWARE 50 F",
};

constexpr std::array<std::u8string_view, 4> kOther{u8"demo", u8"Demo", u8"DEMO", u8"version demo"};

constexpr std::string_view kRare = "Zorglub";

// Plain ASCII words for the single long line.
constexpr std::array<std::string_view, 24> kAsciiWords{
    "liste",   "des",   "fichiers", "jeu",     "disque",  "programme", "version", "couleurs",
    "niveaux", "ecran", "musique",  "archive", "serveur", "modem",     "texte",   "carte",
    "pour",    "avec",  "sans",     "nouveau", "rapide",  "complet",   "image",   "ligne",
};

// ---------------------------------------------------------------------------
// Output

class OutputFile {
public:
    explicit OutputFile(const fs::path& path) : path_(path)
    {
        file_ = std::fopen(path.string().c_str(), "wb");
        if (!file_)
            throw std::runtime_error("cannot create " + path.string() + ": " + std::strerror(errno));
        buffer_.reserve(kBufferSize + 256);
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile()
    {
        if (file_)
            std::fclose(file_);
    }

    void append(std::string_view bytes)
    {
        buffer_ += bytes;
        written_ += bytes.size();
        if (buffer_.size() >= kBufferSize)
            flush();
    }

    std::uint64_t written() const { return written_; }

    void close()
    {
        flush();
        std::FILE* file = file_;
        file_ = nullptr;
        if (std::fclose(file) != 0)
            throw std::runtime_error("cannot write " + path_.string() + ": " + std::strerror(errno));
    }

private:
    static constexpr std::size_t kBufferSize = 1 << 20;

    void flush()
    {
        if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
            throw std::runtime_error("cannot write " + path_.string() + ": " + std::strerror(errno));
        buffer_.clear();
    }

    fs::path path_;
    std::FILE* file_ = nullptr;
    std::string buffer_;
    std::uint64_t written_ = 0;
};

// ---------------------------------------------------------------------------
// The corpus

enum class Layout { Catalogue, Listing };

struct PlannedFile {
    std::string name;
    Layout layout;
    std::uint64_t bytes;
    bool returnsOnly = false; // lines end with CR instead of CR LF
    bool endMark = false;     // the file ends with 0x1A
};

class CorpusWriter {
public:
    CorpusWriter()
        : rng_(kSeed), fragments_(pool(kFragments)), categories_(pool(kCategories)), stems_(pool(kStems)),
          extensions_(pool(kExtensions)), notes_(pool(kNotes)), common_(pool(kCommon, Planted::Yes)),
          other_(pool(kOther, Planted::Yes)), nextRare_(kRareEvery / 2)
    {
    }

    std::vector<PlannedFile> plan(std::uint64_t totalBytes)
    {
        std::vector<PlannedFile> files;
        const std::uint64_t catalogues = totalBytes * 45 / 100;
        const std::uint64_t bulk = totalBytes * 35 / 100;
        split(files, catalogues, Layout::Catalogue,
              [](std::size_t i) { return numbered("ASC", i + 1) + ".ASC"; });
        split(files, bulk, Layout::Listing, [](std::size_t i) { return numbered("VRAC", i + 1) + ".BBS"; });
        const std::vector<std::string> names = pool(kOtherListings);
        split(
            files, totalBytes - catalogues - bulk, Layout::Listing,
            [&names](std::size_t i) {
                if (i < names.size())
                    return names[i] + ".BBS";
                // Past the list: a shortened name and a number, still 8.3.
                return names[i % names.size()].substr(0, 5) + std::to_string(i / names.size() + 1) + ".BBS";
            },
            true);
        return files;
    }

    void write(const fs::path& folder, const PlannedFile& planned)
    {
        lineEnd_ = planned.returnsOnly ? "\r" : "\r\n";
        OutputFile out(folder / planned.name);
        if (planned.layout == Layout::Catalogue)
            writeCatalogue(out, planned.bytes);
        else
            writeListing(out, planned.bytes);
        if (planned.endMark)
            out.append("\x1A");
        out.close();
    }

    std::uint64_t rareEntries() const { return rareEntries_; }
    std::uint64_t lines() const { return lines_; }

private:
    template <class Name>
    void split(std::vector<PlannedFile>& files, std::uint64_t bytes, Layout layout, Name name,
               bool returnsOnly = false)
    {
        std::uint64_t count = (bytes + kFileTarget / 2) / kFileTarget;
        if (count == 0)
            count = 1;
        // Weights from 2 to 4: with 6 MB on average, files of 4 to 8 MB.
        std::vector<std::uint64_t> weights;
        std::uint64_t sum = 0;
        for (std::uint64_t i = 0; i < count; ++i) {
            weights.push_back(2000 + rng_.below(2001));
            sum += weights.back();
        }
        std::uint64_t given = 0;
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint64_t share =
                (i + 1 == count) ? bytes - given : bytes / sum * weights[i] + bytes % sum * weights[i] / sum;
            given += share;
            PlannedFile file{name(static_cast<std::size_t>(i)), layout, share};
            file.endMark = i % 3 == 2;
            file.returnsOnly = returnsOnly && i % 4 == 3;
            files.push_back(std::move(file));
        }
    }

    static std::string numbered(std::string_view prefix, std::size_t number)
    {
        std::string digits = std::to_string(number);
        if (digits.size() < 2)
            digits.insert(0, 1, '0');
        return std::string(prefix) + digits;
    }

    // Entries have 2 to 20 lines, most of them short.
    std::size_t entryLines() { return rng_.below(5) < 4 ? rng_.between(2, 6) : rng_.between(2, 20); }

    // One line into the file, after checking that it keeps to the layout.
    void emit(OutputFile& out, std::string_view line)
    {
        if (line.size() < kMinLine || line.size() > kMaxLine
            || line.find_first_of("\r\n\x1A") != std::string_view::npos)
            throw std::logic_error("generated a line of a wrong shape: " + std::string(line));
        // Now and then a line feed of its own, which stays a character of its line; never
        // in the first columns, where it would change whether the line starts an entry.
        const std::size_t space = line.find(' ', 32);
        if (space != std::string_view::npos && rng_.below(400) == 0) {
            out.append(line.substr(0, space));
            out.append("\n");
            out.append(line.substr(space + 1));
        } else {
            out.append(line);
        }
        out.append(lineEnd_);
        ++lines_;
        if (out.written() + done_ >= nextRare_) {
            rarePending_ = true;
            nextRare_ += kRareEvery - kMegabyte + rng_.below(static_cast<std::uint32_t>(2 * kMegabyte));
        }
    }

    void emitContinuation(OutputFile& out, std::string_view line, Layout layout)
    {
        const bool startsEntry = layout == Layout::Catalogue
                                     ? line.size() >= 3 && line[0] == ' ' && line[1] == ' '
                                           && (line[2] == kDoubleLine || line[2] == kSquare)
                                     : line[0] != ' ';
        if (startsEntry)
            throw std::logic_error("a continuation line would start an entry: " + std::string(line));
        emit(out, line);
    }

    // Description text of about `target` bytes, never more than `limit`.
    // May carry the planted words.
    std::string text(std::size_t target, std::size_t limit)
    {
        tokens_.clear();
        std::size_t reserved = 1; // the full stop
        std::vector<std::string_view> planted;
        if (rng_.per10000(chances_.common))
            planted.push_back(rng_.pick(common_));
        if (rng_.per10000(chances_.other))
            planted.push_back(rng_.pick(other_));
        if (rarePending_) {
            planted.push_back(kRare);
            rarePending_ = false;
            ++rareEntries_;
        }
        for (std::string_view word : planted)
            reserved += word.size() + 2;
        std::size_t length = reserved;
        for (int misses = 0; misses < 3;) {
            const std::string& fragment = rng_.pick(fragments_);
            if (length + fragment.size() + 2 > target) {
                ++misses;
                continue;
            }
            tokens_.push_back(fragment);
            length += fragment.size() + 2;
        }
        if (tokens_.empty() && planted.empty())
            tokens_.push_back(shortestFragment());
        for (std::string_view word : planted)
            tokens_.insert(tokens_.begin() + rng_.below(static_cast<std::uint32_t>(tokens_.size() + 1)),
                           word);

        std::string out;
        for (std::size_t i = 0; i < tokens_.size(); ++i) {
            if (i > 0)
                out += rng_.below(3) == 0 ? ", " : " ";
            out += tokens_[i];
        }
        if (out[0] >= 'a' && out[0] <= 'z')
            out[0] = static_cast<char>(out[0] - 'a' + 'A');
        if (out.size() < limit)
            out += '.';
        if (out.size() > limit)
            throw std::logic_error("description text too long");
        return out;
    }

    std::string_view shortestFragment() const
    {
        std::string_view best = fragments_.front();
        for (const std::string& fragment : fragments_)
            if (fragment.size() < best.size())
                best = fragment;
        return best;
    }

    std::string programName()
    {
        std::string name = rng_.pick(stems_);
        for (char& c : name)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        // One draw per statement: the order in which function arguments are
        // worked out differs between compilers, and so would the bytes.
        const unsigned major = rng_.below(6) + 1;
        const unsigned minor = rng_.below(10);
        char version[16];
        std::snprintf(version, sizeof version, " v%u.%u", major, minor);
        return name + version;
    }

    // Catalogues: a boxed title, NEWS entries, then MAJ entries.
    void writeCatalogue(OutputFile& out, std::uint64_t bytes)
    {
        const std::uint64_t newsEnd = bytes * 7 / 10;
        chances_ = kCatalogueChances;
        ++catalogue_;
        writeCatalogueHeader(out);
        unsigned disk = catalogue_ * 1000;
        while (out.written() < newsEnd)
            writeCatalogueEntry(out, true, ++disk);
        unsigned oldDisk = catalogue_ * 100;
        while (out.written() < bytes)
            writeCatalogueEntry(out, false, ++oldDisk);
        done_ += out.written();
    }

    void writeCatalogueHeader(OutputFile& out)
    {
        const std::size_t width = rng_.between(60, 80);
        const std::size_t inner = width - 2;
        std::string top(1, kDoubleBox.topLeft);
        top.append(inner, kDoubleBox.across);
        top += kDoubleBox.topRight;
        emit(out, top);
        std::vector<std::string> titles;
        titles.push_back(toCp437(u8"CLUB DES DISQUETTES PARTAGÉES · CATALOGUE N° ")
                         + std::to_string(catalogue_));
        const std::size_t more = rng_.below(3);
        if (more >= 1)
            titles.push_back(toCp437(u8"Nouveautés et mises à jour du trimestre"));
        if (more >= 2)
            titles.push_back(toCp437(u8"Tous les prix sont en francs, port compris"));
        for (const std::string& title : titles) {
            std::string line(1, kDoubleBox.down);
            line += "  ";
            line += title;
            if (line.size() + 1 > width)
                throw std::logic_error("catalogue title too long");
            line.append(width - 1 - line.size(), ' ');
            line += kDoubleBox.down;
            emit(out, line);
        }
        std::string bottom(1, kDoubleBox.bottomLeft);
        bottom.append(inner, kDoubleBox.across);
        bottom += kDoubleBox.bottomRight;
        emit(out, bottom);
    }

    void writeCatalogueEntry(OutputFile& out, bool news, unsigned disk)
    {
        const std::size_t lines = entryLines();
        std::string start = "  ";
        if (news) {
            start.append(3, kDoubleLine);
            start += " DISQUE " + std::to_string(disk) + ' ';
            start.append(3, kDoubleLine);
            start += ' ';
            start += rng_.pick(categories_);
            start += ' ';
            const std::size_t length = rng_.between(std::max<std::size_t>(start.size() + 3, 50), kMaxLine);
            start.append(length - start.size(), kDoubleLine);
        } else {
            start += kSquare;
            start += " DISQUE " + std::to_string(disk) + " - MISE A JOUR : " + programName();
        }
        emit(out, start);

        std::size_t body = lines - 1;
        const std::uint32_t style = rng_.below(4);
        if (style == 0 && body >= 3) {
            // The whole entry in a double box.
            const std::size_t indent = rng_.between(0, 3);
            const std::size_t width = rng_.between(50, kMaxLine);
            boxEdge(out, kDoubleBox, indent, width, true);
            for (std::size_t i = 0; i + 2 < body; ++i)
                boxedText(out, kDoubleBox, indent, width,
                          i == 0 ? titleText(width - indent - 4) : std::string());
            boxEdge(out, kDoubleBox, indent, width, false);
            return;
        }
        if (style <= 2 && body >= 3) {
            // A title box, then free text.
            const Box& box = style == 1 ? kDoubleBox : kSingleBox;
            const std::size_t indent = rng_.between(0, 3);
            const std::size_t width = rng_.between(40, kMaxLine);
            boxEdge(out, box, indent, width, true);
            boxedText(out, box, indent, width, titleText(width - indent - 4));
            boxEdge(out, box, indent, width, false);
            body -= 3;
        }
        for (std::size_t i = 0; i < body; ++i) {
            if (rng_.below(12) == 0) {
                std::string rule(rng_.between(2, 4), ' ');
                rule.append(rng_.between(kMinLine, 70), kSingleBox.across);
                emitContinuation(out, rule, Layout::Catalogue);
                continue;
            }
            std::string line(rng_.between(0, 4), ' ');
            const std::size_t length = rng_.between(kMinLine, kMaxLine);
            line += text(std::max<std::size_t>(length - line.size(), 12), kMaxLine - line.size());
            if (line.size() < kMinLine)
                line.append(kMinLine - line.size(), '.');
            emitContinuation(out, line, Layout::Catalogue);
        }
    }

    std::string titleText(std::size_t room)
    {
        std::string name = programName();
        std::string note;
        if (rng_.per10000(chances_.common))
            note = "Shareware " + std::to_string(10 * (rng_.below(30) + 1)) + " F";
        else if (rng_.per10000(chances_.other))
            note = "Version demo";
        else
            note = rng_.pick(notes_);
        if (name.size() + note.size() + 1 > room)
            return name.substr(0, room);
        return name + std::string(room - name.size() - note.size(), ' ') + note;
    }

    void boxEdge(OutputFile& out, const Box& box, std::size_t indent, std::size_t width, bool top)
    {
        std::string line(indent, ' ');
        line += top ? box.topLeft : box.bottomLeft;
        line.append(width - indent - 2, box.across);
        line += top ? box.topRight : box.bottomRight;
        emitContinuation(out, line, Layout::Catalogue);
    }

    // One line inside a box; with no text given, description text.
    void boxedText(OutputFile& out, const Box& box, std::size_t indent, std::size_t width, std::string inside)
    {
        const std::size_t room = width - indent - 4;
        if (inside.empty())
            inside = text(rng_.between(room / 2, room), room);
        std::string line(indent, ' ');
        line += box.down;
        line += ' ';
        line += inside;
        line.append(room - inside.size(), ' ');
        line += ' ';
        line += box.down;
        emitContinuation(out, line, Layout::Catalogue);
    }

    // Listings: a file name, size and date, the description from column 32,
    // continuation lines indented to the same column.
    void writeListing(OutputFile& out, std::uint64_t bytes)
    {
        chances_ = kListingChances;
        while (out.written() < bytes)
            writeListingEntry(out);
        done_ += out.written();
    }

    void writeListingEntry(OutputFile& out)
    {
        const std::size_t lines = entryLines();
        std::string name = rng_.pick(stems_);
        name += std::to_string(rng_.below(90) + 10);
        name += '.';
        name += rng_.pick(extensions_);
        const unsigned size = 1000 + rng_.below(9'000'000);
        const unsigned month = rng_.below(12) + 1;
        const unsigned day = rng_.below(28) + 1;
        const unsigned year = 90 + rng_.below(7);
        char head[64];
        std::snprintf(head, sizeof head, "%-12s %8u %02u-%02u-%02u ", name.c_str(), size, month, day, year);
        std::string first = head;
        if (first.size() != kDescColumn)
            throw std::logic_error("listing head of a wrong width");
        const std::size_t room = kMaxLine - kDescColumn;
        first += text(rng_.between(12, room), room);
        emit(out, first);
        for (std::size_t i = 1; i < lines; ++i) {
            std::string line(kDescColumn, ' ');
            if (rng_.below(5) == 0)
                line += "| ";
            const std::size_t left = kMaxLine - line.size();
            line += text(rng_.between(12, left), left);
            emitContinuation(out, line, Layout::Listing);
        }
    }

    Rng rng_;
    std::vector<std::string> fragments_;
    std::vector<std::string> categories_;
    std::vector<std::string> stems_;
    std::vector<std::string> extensions_;
    std::vector<std::string> notes_;
    std::vector<std::string> common_;
    std::vector<std::string> other_;
    std::vector<std::string_view> tokens_;
    Chances chances_ = kListingChances;
    std::string_view lineEnd_ = "\r\n";
    std::uint64_t nextRare_;
    bool rarePending_ = false;
    std::uint64_t rareEntries_ = 0;
    std::uint64_t done_ = 0; // bytes of the files already closed
    std::uint64_t lines_ = 0;
    unsigned catalogue_ = 0;
};

// ---------------------------------------------------------------------------
// The single long line

void writeSingleLine(const fs::path& path, std::uint64_t bytes)
{
    Rng rng(kSeed ^ 0x5151515151515151ULL);
    OutputFile out(path);
    const std::uint64_t rareAt = bytes - 200; // bytes >= 10^6
    bool rareDone = false;
    std::string chunk;
    std::uint64_t length = 0;
    auto put = [&](std::string_view piece) {
        chunk += piece;
        length += piece.size();
        if (chunk.size() >= (1 << 20)) {
            out.append(chunk);
            chunk.clear();
        }
    };
    put("Liste");
    for (;;) {
        std::string_view word = kAsciiWords[rng.below(static_cast<std::uint32_t>(kAsciiWords.size()))];
        if (!rareDone && length >= rareAt) {
            word = kRare;
            rareDone = true;
        }
        if (length + 1 + word.size() > bytes)
            break;
        put(" ");
        put(word);
    }
    put(std::string(bytes - length, '.'));
    out.append(chunk);
    out.close();
    if (!rareDone || out.written() != bytes)
        throw std::logic_error("single line of a wrong shape");
}

// ---------------------------------------------------------------------------

bool parseMegabytes(std::string_view text, std::uint64_t& value)
{
    if (text.empty() || text.size() > 6)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value >= 1 && value <= kMaxMegabytes;
}

// Copies an .iso into a raw image of 2352-byte MODE1 sectors (sync, header, the 2048 data
// bytes, zeros where the error codes go) and writes its cue sheet beside it.
void writeRawImage(const fs::path& iso, const fs::path& bin)
{
    std::ifstream in(iso, std::ios::binary);
    std::ofstream out(bin, std::ios::binary | std::ios::trunc);
    if (!in || !out)
        throw std::runtime_error("cannot open " + iso.string() + " or " + bin.string());
    const auto bcd = [](unsigned value) { return static_cast<char>((value / 10) << 4 | value % 10); };
    std::vector<char> data(2048);
    for (unsigned sector = 0; in.read(data.data(), 2048) || in.gcount() > 0; ++sector) {
        std::string raw(2352, '\0');
        raw.replace(1, 10, 10, '\xFF');
        const unsigned address = sector + 150;
        raw[12] = bcd(address / 75 / 60);
        raw[13] = bcd(address / 75 % 60);
        raw[14] = bcd(address % 75);
        raw[15] = 1;
        std::copy(data.begin(), data.begin() + in.gcount(), raw.begin() + 16);
        out.write(raw.data(), static_cast<std::streamsize>(raw.size()));
    }
    std::ofstream cue(fs::path(bin).replace_extension(".cue"), std::ios::binary | std::ios::trunc);
    cue << "FILE \"" << bin.filename().string() << "\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n";
    if (!out || !cue)
        throw std::runtime_error("cannot write " + bin.string());
}

int usage()
{
    std::fprintf(stderr,
                 "usage: fendix-corpus SIZE_MB OUTDIR\n"
                 "       fendix-corpus --single-line SIZE_MB FILE\n"
                 "       fendix-corpus --raw-image ISO BIN\n"
                 "SIZE_MB is a whole number of megabytes (10^6 bytes), 1 to %llu.\n"
                 "Files already in OUTDIR with other names are left alone.\n",
                 static_cast<unsigned long long>(kMaxMegabytes));
    return 2;
}

int run(int argc, char** argv)
{
    std::uint64_t megabytes = 0;
    if (argc == 4 && std::string_view(argv[1]) == "--single-line") {
        if (!parseMegabytes(argv[2], megabytes))
            return usage();
        const fs::path file = argv[3];
        if (file.has_parent_path())
            fs::create_directories(file.parent_path());
        writeSingleLine(file, megabytes * kMegabyte);
        std::printf("%s: one line of %llu bytes\n", file.string().c_str(),
                    static_cast<unsigned long long>(megabytes * kMegabyte));
        return 0;
    }
    if (argc == 4 && std::string_view(argv[1]) == "--raw-image") {
        writeRawImage(argv[2], argv[3]);
        return 0;
    }
    if (argc != 3 || !parseMegabytes(argv[1], megabytes))
        return usage();

    const fs::path folder = argv[2];
    fs::create_directories(folder);
    CorpusWriter writer;
    const std::vector<PlannedFile> files = writer.plan(megabytes * kMegabyte);
    std::uint64_t total = 0;
    for (const PlannedFile& file : files) {
        writer.write(folder, file);
        total += fs::file_size(folder / file.name);
    }
    std::printf("%s: %zu files, %llu bytes, %llu lines, Zorglub in %llu entries\n", folder.string().c_str(),
                files.size(), static_cast<unsigned long long>(total),
                static_cast<unsigned long long>(writer.lines()),
                static_cast<unsigned long long>(writer.rareEntries()));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return run(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "fendix-corpus: %s\n", error.what());
        return 1;
    }
}
