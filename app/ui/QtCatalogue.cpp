#include "QtCatalogue.h"

#include <QLibraryInfo>
#include <QLocale>

#include <cstring>

TQtCatalogue::TQtCatalogue(QObject* parent) : QTranslator(parent)
{
}

bool TQtCatalogue::LoadChinese()
{
    // "qt" gathers every Qt module's catalogue (Debian's qt6-translations-l10n).
    return load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qt"), QStringLiteral("_"),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

QString TQtCatalogue::translate(const char* context, const char* sourceText, const char* disambiguation,
                                int n) const
{
    const QString text = QTranslator::translate(context, sourceText, disambiguation, n);
    if (text.isEmpty() && context && std::strcmp(context, "QAbstractFileIconProvider") == 0)
        return QTranslator::translate("QFileDialog", sourceText, disambiguation, n);
    return text;
}
