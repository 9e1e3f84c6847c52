// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/error_report_scope.hpp"

#include <utility>
#include <vector>

namespace {
std::vector<std::function<void()>>* waiting = nullptr;
}

error_report_scope::error_report_scope()
{
    static std::vector<std::function<void()>> releases;
    waiting = &releases;
}

error_report_scope::~error_report_scope()
{
    release_held();
    waiting = nullptr;
}

void error_report_scope::release_held()
{
    if (waiting == nullptr)
        return;
    std::vector<std::function<void()>> releases = std::move(*waiting);
    waiting->clear();
    for (std::function<void()>& release : releases)
        release();
}

bool release_after_error_report(std::function<void()> release)
{
    if (waiting == nullptr)
        return false;
    waiting->push_back(std::move(release));
    return true;
}
