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

    void answer(const std::optional<QString>& path) { m_answers.push_back({!path.has_value(), path.value_or(QString())}); }

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
    struct Answer
    {
        bool cancel = true;
        QString path;
    };

    std::optional<QString> next()
    {
        if (m_answers.empty())
            return std::nullopt;
        const Answer answer = m_answers.front();
        m_answers.pop_front();
        if (answer.cancel)
            return std::nullopt;
        return answer.path;
    }

    std::deque<Answer> m_answers;
    std::vector<Request> m_requests;
};
