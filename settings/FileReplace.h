#pragma once

#include <string>
#include <string_view>

namespace fendix::settings {

// The ways a save may make the new file it renames over the old one, tried in this order.
// Tests turn the first ones off to run the ones after them.
struct SaveWays {
    // Written unnamed (O_TMPFILE), so that a save cut short leaves nothing behind.
    bool unnamedFile = true;
    // That unnamed file then gets a temporary name for the rename (linkat); without it, the
    // text is written again into a named temporary file.
    bool nameUnnamedFile = true;
};

// Gives the file at `path` the content `text`, so that it keeps what it is: its mode, its
// owner and group, its hard links, and a symbolic link stays a link.
//
// A symbolic link is followed only when it belongs to the user the program runs as, and
// only to an ordinary file; a link of anyone else, and one that leads to nothing or to
// anything but an ordinary file, is refused. A file that is read-only by its mode is
// refused even to a user whom permissions do not stop.
//
// The text goes to a new file of the same folder, given the old file's mode, owner and
// group, flushed to disk and renamed over the old one, so that the file always holds its
// old or its new content whole. Where the rename would lose something (the folder may not
// be written, the file has other hard links, or the new file cannot be given the old
// one's owner and group), the text is written into the file itself and flushed to disk
// instead: a save killed during that write can leave that file torn. No temporary file
// outlives a save, and each save removes those that saves cut short left.
//
// Returns false when the save was refused or failed; a refused save, and a failure
// before the file itself is written, change nothing.
bool ReplaceFile(const std::string& path, std::string_view text, const SaveWays& ways = {});

} // namespace fendix::settings
