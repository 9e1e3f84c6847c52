// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/terminal_escapes.hpp"

#include <cerrno>
#include <cstdio>
#include <unistd.h>

#include "lib/whole_file.hpp"

namespace {

void escape(unsigned char byte, std::string& shown)
{
    static const char letters[] = "abtnvfr";  // \a (7) to \r (13)
    if (byte >= 7 && byte <= 13 && byte != '\t' && byte != '\n') {
        shown += '\\';
        shown += letters[byte - 7];
        return;
    }
    char octal[5];
    std::snprintf(octal, sizeof octal, "\\%03o", byte);
    shown += octal;
}

bool is_control(unsigned char byte)
{
    return (byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7F;
}

// The length of the UTF-8 sequence that byte begins; 0 when it begins none.
std::size_t sequence_length(unsigned char byte)
{
    if (byte >= 0xC2 && byte <= 0xDF)
        return 2;
    if (byte >= 0xE0 && byte <= 0xEF)
        return 3;
    if (byte >= 0xF0 && byte <= 0xF4)
        return 4;
    return 0;
}

// The C1 controls U+0080..U+009F (CSI among them) in UTF-8.
bool is_c1_control(const std::string& sequence)
{
    return sequence.size() == 2 && static_cast<unsigned char>(sequence[0]) == 0xC2 &&
           static_cast<unsigned char>(sequence[1]) <= 0x9F;
}

}  // namespace

void control_escaper::flush_pending(std::string& shown)
{
    for (char c : pending_)
        escape(static_cast<unsigned char>(c), shown);
    pending_.clear();
    pending_need_ = 0;
}

void control_escaper::take(unsigned char byte, std::string& shown)
{
    if (!pending_.empty()) {
        if ((byte & 0xC0) == 0x80) {
            pending_ += static_cast<char>(byte);
            if (pending_.size() == pending_need_) {
                if (is_c1_control(pending_))
                    flush_pending(shown);
                else
                    shown += pending_;
                pending_.clear();
                pending_need_ = 0;
            }
            return;
        }
        flush_pending(shown);  // cut short: not a character
    }
    if (byte < 0x80) {
        if (is_control(byte))
            escape(byte, shown);
        else
            shown += static_cast<char>(byte);
    } else if (std::size_t length = sequence_length(byte)) {
        pending_ = static_cast<char>(byte);
        pending_need_ = length;
    } else {
        escape(byte, shown);  // a stray continuation byte, or a byte UTF-8 never uses
    }
}

std::string control_escaper::feed(std::string_view bytes)
{
    std::string shown;
    shown.reserve(bytes.size());
    for (char c : bytes)
        take(static_cast<unsigned char>(c), shown);
    return shown;
}

std::string control_escaper::finish()
{
    std::string shown;
    flush_pending(shown);
    return shown;
}

namespace {

struct escaping_stream {
    int fd;
    control_escaper escaper;
};

ssize_t write_escaped(void* cookie, const char* bytes, std::size_t size)
{
    auto* stream = static_cast<escaping_stream*>(cookie);
    return write_whole_descriptor(stream->fd, stream->escaper.feed({bytes, size})) ? static_cast<ssize_t>(size) : -1;
}

int close_escaped(void* cookie)
{
    auto* stream = static_cast<escaping_stream*>(cookie);
    bool written = write_whole_descriptor(stream->fd, stream->escaper.finish());
    delete stream;
    return written ? 0 : EOF;
}

// The stream that stands for fd from now on: its bytes pass the escaper.
std::FILE* escaping_stream_for(int fd, int buffering)
{
    auto* stream = new escaping_stream{fd, {}};
    cookie_io_functions_t functions{nullptr, write_escaped, nullptr, close_escaped};
    std::FILE* file = ::fopencookie(stream, "w", functions);
    if (file == nullptr) {
        delete stream;
        return nullptr;
    }
    std::setvbuf(file, nullptr, buffering, BUFSIZ);
    return file;
}

}  // namespace

terminal_escapes::terminal_escapes()
{
    if (::isatty(STDOUT_FILENO) == 1) {
        if (std::FILE* file = escaping_stream_for(STDOUT_FILENO, _IOLBF)) {
            standard_output_ = stdout;
            stdout = file;
        }
    }
    if (::isatty(STDERR_FILENO) == 1) {
        if (std::FILE* file = escaping_stream_for(STDERR_FILENO, _IONBF)) {
            standard_error_ = stderr;
            stderr = file;
        }
    }
}

terminal_escapes::~terminal_escapes()
{
    if (standard_output_ != nullptr) {
        std::FILE* escaping = stdout;
        stdout = standard_output_;
        std::fclose(escaping);  // its last bytes, and its escaper, go
    }
    if (standard_error_ != nullptr) {
        std::FILE* escaping = stderr;
        stderr = standard_error_;
        std::fclose(escaping);
    }
}
