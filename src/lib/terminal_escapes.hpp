// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// Names, values and paths come from settings files, platform records and
// request files that another user may have written. On a terminal, a control
// character among them (an escape sequence, a carriage return) would act on
// the terminal: move the cursor, overwrite the line before, retitle the window.
// So where the tool writes to a terminal, such characters are shown escaped,
// as ls(1) shows them in a file name: \r, \033. Newline and tab stay, as the
// tool's own texts use them; files and pipes get the bytes as they are.
class control_escaper {
public:
    // The bytes as a terminal should get them. A UTF-8 sequence cut at the end
    // of one piece is completed by the next.
    std::string feed(std::string_view bytes);
    // Whatever is left of a sequence that never completed, escaped.
    std::string finish();

private:
    void take(unsigned char byte, std::string& shown);
    void flush_pending(std::string& shown);

    std::string pending_;       // a UTF-8 sequence so far
    std::size_t pending_need_ = 0;  // its length when whole
};

// While it lives, standard output and standard error, each where it is a
// terminal, show control characters escaped (see control_escaper): their
// streams are replaced by ones that pass the escaper. Made once in main,
// before anything is written; its end puts the streams back.
class terminal_escapes {
public:
    terminal_escapes();
    ~terminal_escapes();
    terminal_escapes(const terminal_escapes&) = delete;
    terminal_escapes& operator=(const terminal_escapes&) = delete;

private:
    std::FILE* standard_output_ = nullptr;  // the streams replaced, or nullptr
    std::FILE* standard_error_ = nullptr;
};
