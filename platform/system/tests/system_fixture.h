#pragma once
// A fresh registry file and adapter list per test.
#include "platform/system/osversion.h"

#include <QFile>
#include <QTemporaryDir>
#include <QStringList>
#include <gtest/gtest.h>

class SystemFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("TALVIK_REGISTRY", (m_dir.path() + QStringLiteral("/registry.json")).toLocal8Bit());
        qunsetenv("TALVIK_SERIAL_ADAPTERS");
        qunsetenv("TALVIK_OS_VERSION");
        qunsetenv("TALVIK_WMI_UNAVAILABLE");
        platform::system::setOsVersion(0, 0);
    }
    void TearDown() override
    {
        platform::system::setOsVersion(0, 0);
        qunsetenv("TALVIK_REGISTRY");
        qunsetenv("TALVIK_SERIAL_ADAPTERS");
        qunsetenv("TALVIK_OS_VERSION");
        qunsetenv("TALVIK_WMI_UNAVAILABLE");
    }

    // Path of an adapter stand-in; listed in TALVIK_SERIAL_ADAPTERS, present once plugged.
    QString adapterPath(const QString &name) const { return m_dir.path() + QLatin1Char('/') + name; }

    void listAdapters(const QStringList &names)
    {
        QStringList paths;
        for (const QString &n : names)
            paths << adapterPath(n);
        qputenv("TALVIK_SERIAL_ADAPTERS", paths.join(QLatin1Char(':')).toLocal8Bit());
    }

    void plug(const QString &name)
    {
        QFile f(adapterPath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }

    void unplug(const QString &name) { ASSERT_TRUE(QFile::remove(adapterPath(name))); }

    QTemporaryDir m_dir;
};
