#include "TCliJsonReport.h"

#include "app/core/TCompressRun.h"
#include "app/core/TNameText.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString Name(const QByteArray& path)
{
    return QString::fromLocal8Bit(TNameText::Escaped(path));
}

} // namespace

QString TCliJsonReport::StatusWord(int result)
{
    switch (result) {
    case TFileOutcome::Compressed:
        return QStringLiteral("compressed");
    case TFileOutcome::NothingToSave:
        return QStringLiteral("unchanged");
    case TFileOutcome::Failed:
        return QStringLiteral("failed");
    case TFileOutcome::Copied:
        return QStringLiteral("copied");
    case TFileOutcome::Linked:
        return QStringLiteral("linked");
    case TFileOutcome::UpToDate:
        return QStringLiteral("up to date");
    case TFileOutcome::Skipped:
        return QStringLiteral("skipped");
    case TFileOutcome::Removed:
        return QStringLiteral("removed");
    }
    return QStringLiteral("unknown");
}

void TCliJsonReport::Add(const TFileOutcome& outcome)
{
    QJsonObject file{
        {QStringLiteral("path"), Name(outcome.path)},
        {QStringLiteral("status"), StatusWord(outcome.result)},
        {QStringLiteral("bytesBefore"), double(outcome.sizeBefore)},
        {QStringLiteral("bytesAfter"), double(outcome.sizeAfter)},
    };
    if (!outcome.output.isEmpty())
        file.insert(QStringLiteral("output"), Name(outcome.output));
    if (!outcome.reason.isEmpty())
        file.insert(QStringLiteral("reason"), outcome.reason);
    if (!outcome.recoveryCopy.isEmpty())
        file.insert(QStringLiteral("earlierBytesIn"), Name(outcome.recoveryCopy));
    m_files.append(file);
}

void TCliJsonReport::AddProblem(const QByteArray& path, const QString& reason)
{
    m_problems.append(QJsonObject{{QStringLiteral("path"), Name(path)}, {QStringLiteral("reason"), reason}});
}

QByteArray TCliJsonReport::Document(const TRunTotals& totals, bool dryRun, double seconds) const
{
    const QJsonObject sums{
        {QStringLiteral("files"), totals.compressed + totals.failed},
        {QStringLiteral("failed"), totals.failed},
        {QStringLiteral("bytesBefore"), double(totals.uncompressed)},
        {QStringLiteral("bytesAfter"), double(totals.compressedBytes)},
        {QStringLiteral("seconds"), seconds},
        {QStringLiteral("upToDate"), totals.upToDate},
        {QStringLiteral("removed"), totals.removed},
        {QStringLiteral("skipped"), totals.skipped},
    };
    const QJsonObject root{
        {QStringLiteral("dryRun"), dryRun},
        {QStringLiteral("totals"), sums},
        {QStringLiteral("files"), m_files},
        {QStringLiteral("problems"), m_problems},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}
