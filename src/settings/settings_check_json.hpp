// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "settings/check_entry.hpp"

// The verdicts of `setting check` as one JSON document for programs: an entry
// for every line of the file (its number, the name and value as read, the
// outcome, the value before and after where they apply, the values offered
// where a value is refused), then the summary. Names and values that are not
// valid UTF-8 are shown with U+FFFD, as in `setting json`.
//
// The document is written as text line by line while the file is checked, so
// that what a run holds is the document's text, not every verdict of the file
// besides: a request file of millions of lines stays within a few times its
// own size.
class settings_check_document {
public:
    // The entry of one line, as soon as it is judged.
    void add(const check_entry& entry);
    // The whole document, the summary of result last; once.
    std::string finish(const settings_check_result& result);

private:
    std::string text_ = "{\n  \"lines\": [";
    std::size_t entries_ = 0;
};
