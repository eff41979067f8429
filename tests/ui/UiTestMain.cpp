// Entry point of the tests of what every window shares: a widgets
// application whose notify() catches the console's errors the way the main
// application does.
#include "RaisedErrors.h"
#include "base/KelvorErrors.h"

#include <gtest/gtest.h>

#include <QApplication>

QStringList& RaisedErrors()
{
    static QStringList errors;
    return errors;
}

namespace {

class RecordingApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const EKelvorError& error) {
            RaisedErrors() << error.Message();
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    RecordingApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
