#pragma once

#include "app/FileDialogs.h"

#include <QStringList>
#include <deque>

// Answers the file dialogs with paths queued by the test; an empty queue is a cancel.
class ScriptedFileDialogs final : public FileDialogs
{
public:
    struct Request
    {
        QString title;
        QString filter;
        QString defaultSuffix;
    };

    void answer(std::optional<QString> path) { m_answers.push_back(std::move(path)); }

    std::optional<QString> openFile(QWidget*, const QString& title, const QString& filter) override
    {
        m_requests.push_back({title, filter, {}});
        return next();
    }
    std::optional<QString> saveFile(QWidget*, const QString& title, const QString& filter,
                                    const QString& defaultSuffix) override
    {
        m_requests.push_back({title, filter, defaultSuffix});
        return next();
    }

    const std::vector<Request>& requests() const { return m_requests; }

private:
    std::optional<QString> next()
    {
        if (m_answers.empty())
            return std::nullopt;
        std::optional<QString> path = m_answers.front();
        m_answers.pop_front();
        return path;
    }

    std::deque<std::optional<QString>> m_answers;
    std::vector<Request> m_requests;
};
