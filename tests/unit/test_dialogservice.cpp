#include "platform/DialogService.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

TEST(DialogService, DefaultAnswerIsTheDefaultButton)
{
    const struct { MsgButtons buttons; int index; MsgResult answer; } cases[] = {
        {MsgButtons::Ok, 1, MsgResult::Ok},
        {MsgButtons::OkCancel, 2, MsgResult::Cancel},
        {MsgButtons::YesNo, 1, MsgResult::Yes},
        {MsgButtons::YesNo, 2, MsgResult::No},
        {MsgButtons::YesNoCancel, 3, MsgResult::Cancel},
        {MsgButtons::RetryCancel, 1, MsgResult::Retry},
        {MsgButtons::AbortRetryIgnore, 3, MsgResult::Ignore},
        {MsgButtons::YesNo, 3, MsgResult::Yes},
        {MsgButtons::OkCancel, 0, MsgResult::Ok},
    };
    for (const auto& c : cases)
        EXPECT_EQ(defaultAnswer(c.buttons, c.index), c.answer) << int(c.buttons) << " #" << c.index;
    EXPECT_EQ(int(MsgResult::Yes), 6);
    EXPECT_EQ(int(MsgResult::Ignore), 5);
}

TEST(DialogService, ConsoleServiceNeverBlocksAndAnswersDefaults)
{
    auto previous = setDialogService(nullptr);
    QString value = QStringLiteral("initial");
    const MsgResult box = dialogs().messageBox(QStringLiteral("Excluir?"), QStringLiteral("Aviso"),
                                               MsgButtons::YesNoCancel, MsgIcon::Question, 2);
    const bool input = dialogs().inputQuery(QStringLiteral("Senha"), QStringLiteral("Digite"), value, true);
    const QString file = dialogs().saveFileName(QStringLiteral("Salvar"), QStringLiteral("*.xlsx"));
    setDialogService(std::move(previous));

    EXPECT_EQ(box, MsgResult::No);
    EXPECT_FALSE(input);
    EXPECT_EQ(value, QStringLiteral("initial"));
    EXPECT_TRUE(file.isEmpty());
}

TEST(DialogService, RecorderKeepsEveryCallAndAnswersFromItsQueues)
{
    ScopedDialogRecorder rec;
    rec->pushAnswer(MsgResult::No);
    rec->pushAnswer(MsgResult::Retry);
    rec->pushInput(true, QStringLiteral("typed"));
    rec->pushInput(false, QStringLiteral("ignored"));
    rec->pushFile(QStringLiteral("/tmp/a.txt"));

    DialogService& d = dialogs();
    d.showMessage(QStringLiteral("Pedido gravado"));
    QString v1 = QStringLiteral("a");
    QString v2 = QStringLiteral("b");
    EXPECT_TRUE(d.inputQuery(QStringLiteral("Título"), QStringLiteral("Valor"), v1));
    EXPECT_EQ(d.messageBox(QStringLiteral("Q1"), QStringLiteral("T"), MsgButtons::YesNo, MsgIcon::Question), MsgResult::No);
    EXPECT_EQ(d.openFileName(QStringLiteral("Abrir"), QStringLiteral("*.txt")), QStringLiteral("/tmp/a.txt"));
    EXPECT_EQ(d.messageBox(QStringLiteral("Q2"), QStringLiteral("T"), MsgButtons::RetryCancel, MsgIcon::Error),
              MsgResult::Retry);
    EXPECT_FALSE(d.inputQuery(QStringLiteral("Título"), QStringLiteral("Outro"), v2));
    // Queues now empty: defaults, never a block.
    EXPECT_EQ(d.messageBox(QStringLiteral("Q3"), QStringLiteral("T"), MsgButtons::YesNoCancel, MsgIcon::Warning, 3),
              MsgResult::Cancel);
    EXPECT_TRUE(d.saveFileName(QStringLiteral("Salvar"), QStringLiteral("*.pdf")).isEmpty());
    EXPECT_EQ(v1, QStringLiteral("typed"));
    EXPECT_EQ(v2, QStringLiteral("b"));

    const auto entries = rec->entries();
    ASSERT_EQ(entries.size(), 8u);
    EXPECT_EQ(entries[0].kind, QStringLiteral("message"));
    EXPECT_EQ(entries[1].kind, QStringLiteral("input"));
    EXPECT_EQ(entries[1].title, QStringLiteral("Título"));
    EXPECT_EQ(entries[3].kind, QStringLiteral("open"));
    EXPECT_EQ(entries[3].text, QStringLiteral("*.txt"));
    EXPECT_EQ(entries[6].kind, QStringLiteral("box"));
    EXPECT_EQ(entries[6].title, QStringLiteral("T"));
    EXPECT_EQ(entries[6].buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(entries[6].icon, MsgIcon::Warning);
    EXPECT_EQ(entries[6].defaultButton, 3);
    EXPECT_EQ(entries[7].kind, QStringLiteral("save"));
    EXPECT_EQ(rec->texts(), (QStringList{QStringLiteral("Pedido gravado"), QStringLiteral("Valor"), QStringLiteral("Q1"),
                                         QStringLiteral("*.txt"), QStringLiteral("Q2"), QStringLiteral("Outro"),
                                         QStringLiteral("Q3"), QStringLiteral("*.pdf")}));

    rec->pushAnswer(MsgResult::No);
    rec->clear();
    EXPECT_TRUE(rec->entries().empty());
    EXPECT_EQ(d.messageBox(QStringLiteral("Q4"), QStringLiteral("T"), MsgButtons::YesNo, MsgIcon::Question),
              MsgResult::Yes)
        << "clear drops unused answers";
}

TEST(DialogService, ScopedRecorderRestoresThePreviousService)
{
    auto outerOwned = std::make_unique<DialogRecorder>();
    DialogRecorder* outer = outerOwned.get();
    auto original = setDialogService(std::move(outerOwned));
    {
        ScopedDialogRecorder inner;
        EXPECT_EQ(&dialogs(), &inner.recorder());
        dialogs().showMessage(QStringLiteral("inside"));
        EXPECT_EQ(inner->texts(), QStringList{QStringLiteral("inside")});
    }
    EXPECT_EQ(&dialogs(), outer);
    dialogs().showMessage(QStringLiteral("after"));
    EXPECT_EQ(outer->texts(), QStringList{QStringLiteral("after")});
    setDialogService(std::move(original));
}

TEST(DialogService, RecorderTakesCallsFromManyThreads)
{
    ScopedDialogRecorder rec;
    constexpr int kThreads = 8;
    constexpr int kCalls = 250;
    for (int i = 0; i < kThreads * kCalls / 2; ++i)
        rec->pushAnswer(MsgResult::No);
    std::vector<std::thread> threads;
    std::atomic<int> noAnswers = 0;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&noAnswers] {
            for (int i = 0; i < kCalls; ++i) {
                if (dialogs().messageBox(QStringLiteral("x"), QString(), MsgButtons::YesNo, MsgIcon::Question)
                    == MsgResult::No)
                    ++noAnswers;
            }
        });
    }
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(rec->entries().size(), std::size_t(kThreads * kCalls));
    EXPECT_EQ(noAnswers.load(), kThreads * kCalls / 2) << "each queued answer is used exactly once";
}

} // namespace
