#include "app/StandardDialogs.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

bool InstallTranslation(QCoreApplication& app, const QString& name)
{
    auto* translator = new QTranslator(&app);
    if (!translator->load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

}  // namespace

bool UseKoreanStandardDialogs(QCoreApplication& app)
{
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    const bool base = InstallTranslation(app, QStringLiteral("qtbase_ko"));
    // Only the serial port's error texts; the program runs without them.
    InstallTranslation(app, QStringLiteral("qtserialport_ko"));
    return base;
}
