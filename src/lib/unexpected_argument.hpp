// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// A command that writes uses exactly the words it names: a word after them
// (a value typed twice, a second token) would otherwise be dropped silently
// while the first is written. Ends the run with
// "Error: unexpected argument: WORD" and status 1 when words holds more than
// used words, before the write lock is taken and before anything is written.
void refuse_words_after(const std::vector<std::string>& words, std::size_t used);
