#pragma once
// Switches the default Qt locale (and, where the system has it, the C library's
// LC_NUMERIC) for one test and restores both afterwards.
#include <QLocale>

#include <clocale>
#include <string>

class LocaleGuard {
public:
    explicit LocaleGuard(const QLocale& locale)
        : FSavedQt(QLocale())
    {
        QLocale::setDefault(locale);
    }
    ~LocaleGuard()
    {
        QLocale::setDefault(FSavedQt);
        if (!FSavedC.empty())
            std::setlocale(LC_NUMERIC, FSavedC.c_str());
    }
    LocaleGuard(const LocaleGuard&) = delete;
    LocaleGuard& operator=(const LocaleGuard&) = delete;

    // Tries the German C library numeric locale; false when it is not installed.
    bool SetGermanCNumeric()
    {
        const char* current = std::setlocale(LC_NUMERIC, nullptr);
        const std::string saved = current ? current : "C";
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
            if (std::setlocale(LC_NUMERIC, name)) {
                FSavedC = saved;
                return true;
            }
        }
        return false;
    }

    static QLocale German() { return QLocale(QLocale::German, QLocale::Germany); }

private:
    QLocale FSavedQt;
    std::string FSavedC;
};
