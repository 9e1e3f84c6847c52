// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/user_settings_run.hpp"

#include "hw/token_write.hpp"

void run_user_settings(std::istream& in, user_settings_observer& observer)
{
    user_settings_line line;
    while (read_user_settings_line(in, line)) {
        if (line.what == user_settings_line::kind::request)
            observer.before_judging(line);
        request_verdict verdict = judge_request(line, observer.watch(line));
        observer.judged(line, verdict);
        if (verdict.outcome == request_outcome::change) {
            const token_entry& token = *verdict.target.token;
            set_d4_token(token.index_port, token.location, token.and_mask, token.or_mask);
        }
    }
}
