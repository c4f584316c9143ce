// Where the panels' notes to the user (their logging category, platform/notice.h) end up
// while the host runs: a line on standard error, and whatever else the host shows them in.
#pragma once

#include <QString>

#include <functional>

class NoticeRelay {
public:
    // While the relay lives, every note is written to standard error as
    // "korvane-print: note: TEXT" and handed to show (when given); other messages go where
    // they went before. One relay at a time.
    explicit NoticeRelay(std::function<void(const QString&)> show = {});
    ~NoticeRelay();
    NoticeRelay(const NoticeRelay&) = delete;
    NoticeRelay& operator=(const NoticeRelay&) = delete;

private:
    std::function<void(const QString&)> show_;
};
