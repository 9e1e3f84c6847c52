// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// The answer to --help: one line for every command and setting sub-command,
// the environment variables, and where the whole reference is.
void print_overview_help();

// The answer to --version: the version line, then the copyright and licence.
void print_version();
