#pragma once

#include <QTranslator>

// Qt's own Chinese catalogue, as Debian ships it. Qt 6 asks for the file type names of its file
// dialogs ("Folder", "File", ...) under a context the catalogue does not have yet; they are
// answered from the context the catalogue keeps them in.
class TQtCatalogue final : public QTranslator
{
public:
    explicit TQtCatalogue(QObject* parent = nullptr);

    // Loads the Chinese catalogue from Qt's translations folder; false when it is not installed.
    bool LoadChinese();

    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                      int n = -1) const override;
};
