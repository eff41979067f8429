// Runs the window tests offscreen, with a settings store and a data folder
// of their own; the application's error boxes are collected instead of shown.
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "ui/KelvorApplication.h"

QStringList& ReportedErrors()
{
    static QStringList errors;
    return errors;
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QTemporaryDir data; // run logs
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    ::testing::InitGoogleTest(&argc, argv);
    TKelvorApplication app(argc, argv);
    TKelvorApplication::setApplicationName(QStringLiteral("Kelvor9"));
    TKelvorApplication::setOrganizationName(QStringLiteral("Kelvor9Tests"));
    TKelvorApplication::ErrorReporter = [](const QString& message) { ReportedErrors().append(message); };
    return RUN_ALL_TESTS();
}
