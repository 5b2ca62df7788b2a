#include "tests/common/CdImages.h"

#include "tests/common/RunProgram.h"
#include "tests/common/TempDir.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace fendix::testing {

namespace {

unsigned char Bcd(unsigned value)
{
    return static_cast<unsigned char>((value / 10) << 4 | value % 10);
}

void WriteWhole(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

} // namespace

std::string MakeIso(const std::string& folder, const std::string& isoPath, IsoNames names)
{
    std::vector<std::string> args = {"-quiet", "-o", isoPath};
    if (names == IsoNames::RockRidge || names == IsoNames::Both)
        args.push_back("-R");
    if (names == IsoNames::Joliet || names == IsoNames::Both)
        args.push_back("-J");
    args.push_back(folder);
    const std::string scratch = isoPath + ".run";
    std::filesystem::create_directories(scratch);
    const Outcome outcome = RunProgram("/usr/bin/genisoimage", args, folder, scratch);
    std::filesystem::remove_all(scratch);
    if (outcome.status != 0)
        throw std::runtime_error("genisoimage failed: " + outcome.err);
    return isoPath;
}

std::string MakeBinCue(const std::string& isoPath, const std::string& binPath, bool mode2)
{
    const std::string iso = ReadFile(isoPath);
    std::string bin;
    bin.reserve(iso.size() / 2048 * 2352);
    for (std::size_t at = 0; at < iso.size(); at += 2048) {
        const unsigned address = static_cast<unsigned>(at / 2048) + 150; // two seconds of lead-in
        std::string sector(2352, '\0');
        sector.replace(1, 10, 10, '\xFF');
        sector[12] = static_cast<char>(Bcd(address / 75 / 60));
        sector[13] = static_cast<char>(Bcd(address / 75 % 60));
        sector[14] = static_cast<char>(Bcd(address % 75));
        sector[15] = mode2 ? 2 : 1;
        std::size_t data = 16;
        if (mode2) {
            sector[18] = sector[22] = 0x08; // form 1, data
            data = 24;
        }
        sector.replace(data, 2048, iso, at, 2048);
        bin += sector;
    }
    WriteWhole(binPath, bin);
    const std::string name = binPath.substr(binPath.rfind('/') + 1);
    const std::string cuePath = binPath.substr(0, binPath.rfind('.')) + ".cue";
    WriteWhole(cuePath, "FILE \"" + name + "\" BINARY\r\n  TRACK 01 " + (mode2 ? "MODE2" : "MODE1")
                            + "/2352\r\n    INDEX 01 00:00:00\r\n");
    return cuePath;
}

void PatchRecord(const std::string& isoPath, std::string_view name,
                 const std::function<void(unsigned char*)>& change)
{
    std::string iso = ReadFile(isoPath);
    // A record's name follows its length byte, at offset 33.
    for (std::size_t at = iso.find(name); at != std::string::npos; at = iso.find(name, at + 1)) {
        if (at < 33 || static_cast<unsigned char>(iso[at - 1]) != name.size())
            continue;
        change(reinterpret_cast<unsigned char*>(iso.data() + at - 33));
        WriteWhole(isoPath, iso);
        return;
    }
    throw std::runtime_error("no record named " + std::string(name));
}

void PutBothEndian(unsigned char* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<unsigned char>(value >> (8 * i));
        at[7 - i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

} // namespace fendix::testing
