#include "platform/DialogService.h"

#include <QDebug>

namespace {

// Before the GUI is up (and in tools without one) texts still reach someone.
class ConsoleDialogService : public DialogService
{
public:
    void showMessage(const QString& text) override { qWarning().noquote() << text; }

    MsgResult messageBox(const QString& text, const QString& title, MsgButtons buttons, MsgIcon,
                         int defaultButton) override
    {
        qWarning().noquote() << title << ":" << text;
        return defaultAnswer(buttons, defaultButton);
    }

    bool inputQuery(const QString& title, const QString& prompt, QString&, bool) override
    {
        qWarning().noquote() << title << ":" << prompt;
        return false;
    }

    QString openFileName(const QString& title, const QString&, const QString&) override
    {
        qWarning().noquote() << title;
        return {};
    }

    QString saveFileName(const QString& title, const QString&, const QString&) override
    {
        qWarning().noquote() << title;
        return {};
    }
};

std::mutex g_serviceMutex;
std::unique_ptr<DialogService> g_service;

} // namespace

std::vector<MsgResult> buttonResults(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok:
        return {MsgResult::Ok};
    case MsgButtons::OkCancel:
        return {MsgResult::Ok, MsgResult::Cancel};
    case MsgButtons::YesNo:
        return {MsgResult::Yes, MsgResult::No};
    case MsgButtons::YesNoCancel:
        return {MsgResult::Yes, MsgResult::No, MsgResult::Cancel};
    case MsgButtons::RetryCancel:
        return {MsgResult::Retry, MsgResult::Cancel};
    case MsgButtons::AbortRetryIgnore:
        return {MsgResult::Abort, MsgResult::Retry, MsgResult::Ignore};
    }
    return {MsgResult::Ok};
}

MsgResult defaultAnswer(MsgButtons buttons, int defaultButton)
{
    const std::vector<MsgResult> results = buttonResults(buttons);
    if (defaultButton < 1 || defaultButton > int(results.size()))
        return results.front();
    return results[std::size_t(defaultButton - 1)];
}

DialogService& dialogs()
{
    static ConsoleDialogService console;
    std::lock_guard lock(g_serviceMutex);
    return g_service ? *g_service : console;
}

std::unique_ptr<DialogService> setDialogService(std::unique_ptr<DialogService> service)
{
    std::lock_guard lock(g_serviceMutex);
    std::swap(g_service, service);
    return service;
}

void DialogRecorder::record(DialogEntry entry)
{
    m_entries.push_back(std::move(entry));
}

void DialogRecorder::showMessage(const QString& text)
{
    std::lock_guard lock(m_mutex);
    record({QStringLiteral("message"), text, {}, MsgButtons::Ok, MsgIcon::None, 1});
}

MsgResult DialogRecorder::messageBox(const QString& text, const QString& title, MsgButtons buttons, MsgIcon icon,
                                     int defaultButton)
{
    std::lock_guard lock(m_mutex);
    record({QStringLiteral("box"), text, title, buttons, icon, defaultButton});
    if (m_answers.empty())
        return defaultAnswer(buttons, defaultButton);
    const MsgResult answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

bool DialogRecorder::inputQuery(const QString& title, const QString& prompt, QString& value, bool)
{
    std::lock_guard lock(m_mutex);
    record({QStringLiteral("input"), prompt, title, MsgButtons::OkCancel, MsgIcon::None, 1});
    if (m_inputs.empty())
        return false;
    const auto [ok, answer] = m_inputs.front();
    m_inputs.pop_front();
    if (ok)
        value = answer;
    return ok;
}

QString DialogRecorder::nextFile(const char* kind, const QString& title, const QString& filter)
{
    std::lock_guard lock(m_mutex);
    record({QString::fromLatin1(kind), filter, title, MsgButtons::OkCancel, MsgIcon::None, 1});
    if (m_files.empty())
        return {};
    QString name = m_files.front();
    m_files.pop_front();
    return name;
}

QString DialogRecorder::openFileName(const QString& title, const QString& filter, const QString&)
{
    return nextFile("open", title, filter);
}

QString DialogRecorder::saveFileName(const QString& title, const QString& filter, const QString&)
{
    return nextFile("save", title, filter);
}

void DialogRecorder::pushAnswer(MsgResult answer)
{
    std::lock_guard lock(m_mutex);
    m_answers.push_back(answer);
}

void DialogRecorder::pushInput(bool ok, const QString& value)
{
    std::lock_guard lock(m_mutex);
    m_inputs.emplace_back(ok, value);
}

void DialogRecorder::pushFile(const QString& fileName)
{
    std::lock_guard lock(m_mutex);
    m_files.push_back(fileName);
}

std::vector<DialogEntry> DialogRecorder::entries() const
{
    std::lock_guard lock(m_mutex);
    return m_entries;
}

QStringList DialogRecorder::texts() const
{
    std::lock_guard lock(m_mutex);
    QStringList out;
    for (const DialogEntry& e : m_entries)
        out << e.text;
    return out;
}

void DialogRecorder::clear()
{
    std::lock_guard lock(m_mutex);
    m_entries.clear();
    m_answers.clear();
    m_inputs.clear();
    m_files.clear();
}

ScopedDialogRecorder::ScopedDialogRecorder()
{
    auto recorder = std::make_unique<DialogRecorder>();
    m_recorder = recorder.get();
    m_previous = setDialogService(std::move(recorder));
}

ScopedDialogRecorder::~ScopedDialogRecorder()
{
    setDialogService(std::move(m_previous));
}
