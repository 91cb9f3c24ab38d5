#pragma once
// Shared pieces of the offscreen window tests: the application object and a
// temporary application directory with the recording platform and dialogs.

#include "TestDialogs.h"
#include "TestPlatform.h"
#include "ui/Unit1.h"

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace tarvik::testing {

// Creates the QApplication once per test program (offscreen unless a
// platform was chosen).
void ensureApplication();

// A temporary application directory holding the executable's would-be path.
class MenuFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureApplication(); }
    void SetUp() override;
    void TearDown() override;

    // Path of a file in the application directory.
    QString path(const QString &name) const;
    void writeFile(const QString &name, const QByteArray &bytes) const;
    QByteArray readFile(const QString &name) const;
    bool fileExists(const QString &name) const;

    // Starts a menu as the program does: FormCreate, then shown (FormShow).
    // An empty name starts without argument; arg2 is the caller's fields.
    TForm1 &startMenu(const QString &name = QString(), const QString &arg2 = QString(), bool show = true);
    TForm1 &form() { return *m_forms.back(); }

    QTemporaryDir dir;
    TestPlatform os;
    TestDialogs dialogs;

private:
    std::vector<std::unique_ptr<TForm1>> m_forms;
};

} // namespace tarvik::testing
