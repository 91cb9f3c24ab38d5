// The guard every handler runs under: an escaping error is shown, never thrown on.
#include "platform/Errors.h"

#include "TestDialogs.h"

#include <gtest/gtest.h>

using namespace tarvik;
using tarvik::testing::TestDialogs;

TEST(HandlerGuard, ShowsTheErrorAndGoesOn)
{
    TestDialogs dialogs;
    EXPECT_TRUE(runGuarded([] {}));
    EXPECT_TRUE(dialogs.records.empty());
    EXPECT_FALSE(runGuarded([] { throw Error(QStringLiteral("Fichier « a » introuvable")); }));
    EXPECT_FALSE(runGuarded([] { throw 7; }));
    ASSERT_EQ(dialogs.records.size(), 2u);
    EXPECT_EQ(dialogs.records[0].kind, "messageBox");
    EXPECT_EQ(dialogs.records[0].icon, "error");
    EXPECT_EQ(dialogs.records[0].text, QStringLiteral("Fichier « a » introuvable"));
    EXPECT_EQ(dialogs.records[1].text, "Erreur inconnue");
}

TEST(HandlerGuard, AWrappedHandlerTakesTheSignalsArgumentsWhenItWantsThem)
{
    TestDialogs dialogs;
    int received = -1;
    int calls = 0;
    const auto withRow = guarded([&](int row) { received = row; });
    const auto withoutArguments = guarded([&] { ++calls; });
    const auto failing = guarded([](int row) { throw Error(QStringLiteral("Ligne %1").arg(row)); });
    withRow(4);
    withoutArguments(true);
    withoutArguments();
    failing(9);
    EXPECT_EQ(received, 4);
    EXPECT_EQ(calls, 2);
    ASSERT_EQ(dialogs.records.size(), 1u);
    EXPECT_EQ(dialogs.records[0].text, "Ligne 9");
}
