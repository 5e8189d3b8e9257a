// The control library binds zobase7 at start-up: with the base library
// beside it, it loads and the base library's window classes exist; without
// it, a "GetLastError" box tells why and the control library does not load.
// Each case runs in a child process of its own, because a base library once
// loaded in a process would be found again by name.
#include "Controls/common/SuiteLoader.h"
#include "platform/com/com.h"
#include "platform/win/messagebox.h"
#include "platform/win/window.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace win = platform::win;
namespace com = platform::com;

namespace {

struct Box {
    win::HWND owner;
    std::string text, caption;
    win::UINT type;
};

std::vector<Box> &boxes()
{
    static std::vector<Box> b;
    return b;
}

void recordBoxes()
{
    win::setMessageBoxHandler([](win::HWND owner, const std::string &text, const std::string &caption, win::UINT type) {
        boxes().push_back({owner, text, caption, type});
        return win::IDOK;
    });
}

// A check inside the child: a failure is printed and fails the exit code.
int g_failures = 0;
void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "check failed: %s\n", what);
        ++g_failures;
    }
}
[[noreturn]] void finishChild()
{
    std::fflush(stderr);
    std::_Exit(g_failures == 0 ? 0 : 1);
}

bool classExists(const char *name)
{
    win::WNDCLASSA wc;
    return win::GetClassInfoA(0, name, &wc) == win::TRUE;
}

bool loaded(const QString &path)
{
    void *h = dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_NOLOAD);
    if (h)
        dlclose(h);
    return h != nullptr;
}

// True when a folder of LD_LIBRARY_PATH holds the base library: then the
// library is found by bare name and the failure case cannot be made.
bool searchPathHasBaseLibrary()
{
    const QString paths = qEnvironmentVariable("LD_LIBRARY_PATH");
    for (const QString &dir : paths.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QFileInfo::exists(dir + QLatin1Char('/') + QLatin1String(controls::kSuiteBaseLibraryFile)))
            return true;
    return false;
}

class SuiteLoaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        ASSERT_TRUE(m_dir.isValid());
        m_library = m_dir.filePath(QStringLiteral("liblumafold.so"));
        ASSERT_TRUE(QFile::copy(QString::fromUtf8(LUMAFOLD_LIBRARY), m_library));
        qputenv("TALVIK_REGISTRY", m_dir.filePath(QStringLiteral("registry.json")).toLocal8Bit());
    }
    void TearDown() override { qunsetenv("TALVIK_REGISTRY"); }

    QTemporaryDir m_dir;
    QString m_library;
};

TEST_F(SuiteLoaderTest, WithoutTheBaseLibraryTheControlLibraryDoesNotLoad)
{
    if (searchPathHasBaseLibrary())
        GTEST_SKIP() << "LD_LIBRARY_PATH finds " << controls::kSuiteBaseLibraryFile;
    ASSERT_FALSE(QFileInfo::exists(m_dir.filePath(QLatin1String(controls::kSuiteBaseLibraryFile))));
    EXPECT_EXIT(
        {
            recordBoxes();
            const com::HRESULT hr = com::registerServerLibrary(m_library);
            check(hr == com::CO_E_DLLNOTFOUND, "the load fails");
            check(!loaded(m_library), "the control library is unloaded again");
            check(boxes().size() == 1, "one message box");
            if (boxes().size() == 1) {
                const Box &b = boxes()[0];
                check(b.caption == "GetLastError", "caption GetLastError");
                check(b.type == win::MB_ICONINFORMATION, "information icon, OK button");
                check(b.owner == 0, "no owner");
                check(b.text.find(controls::kSuiteBaseLibraryFile) != std::string::npos,
                      "the text names the library");
                check(b.text.find(m_dir.path().toStdString()) != std::string::npos,
                      "the text shows the place beside the control library that was tried");
                // "基本ライブラリ" in CP932 opens the text.
                check(b.text.rfind("\x8A\xEE\x96\x7B\x83\x89\x83\x43\x83\x75\x83\x89\x83\x8A", 0) == 0,
                      "the Japanese explanation comes first");
            }
            check(!classExists("RyxCombo"), "no base library classes");
            finishChild();
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(SuiteLoaderTest, WithTheBaseLibraryBesideItTheControlLibraryLoadsAndFreesItAtDetach)
{
    const QString base = m_dir.filePath(QLatin1String(controls::kSuiteBaseLibraryFile));
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(ZOBASE7_LIBRARY), base));
    EXPECT_EXIT(
        {
            recordBoxes();
            check(com::registerServerLibrary(m_library) == com::S_OK, "the load succeeds");
            check(loaded(m_library), "the control library stays loaded");
            check(boxes().empty(), "no message box");
            check(loaded(base), "the base library beside it is the one loaded");
            win::WNDCLASSA wc;
            check(win::GetClassInfoA(0, "RyxCombo", &wc) == win::TRUE, "RyxCombo is registered");
            check((wc.style & win::CS_GLOBALCLASS) != 0, "as a global class");
            check(win::GetClassInfoA(0, "RyxNumberLgtX", &wc) == win::TRUE, "RyxNumberLgtX is registered");

            // The detach entry frees the base library, which takes its
            // classes with it.
            void *h = dlopen(m_library.toLocal8Bit().constData(), RTLD_NOW | RTLD_NOLOAD);
            auto detach = h ? reinterpret_cast<void (*)()>(dlsym(h, "DllProcessDetach")) : nullptr;
            check(detach != nullptr, "the library exports its detach entry");
            if (detach)
                detach();
            check(!loaded(base), "the base library is unloaded");
            check(!classExists("RyxCombo"), "RyxCombo is gone with it");
            if (h)
                dlclose(h);
            finishChild();
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(SuiteLoaderText, ErrorTextKeepsBothLoaderMessagesOnceAndStaysCp932)
{
    const std::string text = controls::SuiteBaseLoadErrorText("/opt/x/libzobase7.so: cannot open",
                                                               "libzobase7.so: cannot open");
    EXPECT_NE(text.find("\n/opt/x/libzobase7.so: cannot open\nlibzobase7.so: cannot open"), std::string::npos);
    // A path with a character CP932 cannot hold still makes a text.
    const std::string odd = controls::SuiteBaseLoadErrorText("/tmp/\xF0\x9F\x98\x80/libzobase7.so: bad", "");
    EXPECT_NE(odd.find("/tmp/?/libzobase7.so: bad"), std::string::npos);
    EXPECT_EQ(controls::SuiteBaseLoadErrorText("same", "same").find("same\nsame"), std::string::npos);
}

} // namespace
