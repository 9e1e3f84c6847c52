// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/user_settings_run.hpp"

#include "hw/token_write.hpp"

namespace {

// The verdict on line, with its change written.
request_verdict judge_and_write(const settings_context& context, const user_settings_line& line,
                                user_settings_observer& observer)
{
    request_verdict verdict = judge_request(context, line, observer.watch(line));
    observer.judged(line, verdict);
    if (verdict.outcome == request_outcome::change) {
        const token_entry& token = *verdict.target.token;
        context.tokens.writes.note_request(line.name, line.value);
        set_d4_token(context.tokens, token.index_port, token.location, token.and_mask, token.or_mask);
    }
    return verdict;
}

}  // namespace

void run_user_settings(const settings_context& context, std::istream& in, user_settings_observer& observer)
{
    user_settings_line line;
    while (read_user_settings_line(in, line)) {
        if (line.what == user_settings_line::kind::request)
            observer.before_judging(line);
        request_verdict verdict;
        try {
            verdict = judge_and_write(context, line, observer);
        } catch (const tool_error& error) {
            if (!observer.goes_on_after(error))
                throw;
            verdict = {};
            verdict.outcome = request_outcome::fails;
            verdict.failure = error.text;
        }
        observer.done(line, verdict);
    }
}
