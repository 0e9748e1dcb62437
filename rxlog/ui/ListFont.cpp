#include "rxlog/ui/ListFont.h"

#include <QFontDatabase>
#include <QStringList>

QFont MakeListFont()
{
    static const char* const kFamilies[] = {"Fixedsys", "NanumGothicCoding", "D2Coding"};
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (const char* family : kFamilies) {
        const QString name = QString::fromLatin1(family);
        if (QFontDatabase::hasFamily(name)) {
            font = QFont(name);
            break;
        }
    }
    font.setPointSize(9);
    font.setWeight(QFont::Normal);
    return font;
}
