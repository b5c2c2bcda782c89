#include "TFailuresByReason.h"

#include <algorithm>

void TFailuresByReason::Add(const QString& reason)
{
    const auto same = [&](const std::pair<QString, int>& count) { return count.first == reason; };
    const auto count = std::find_if(m_counts.begin(), m_counts.end(), same);
    if (count == m_counts.end())
        m_counts.emplace_back(reason, 1);
    else
        ++count->second;
}

QString TFailuresByReason::Summary() const
{
    int failed = 0;
    QString reasons;
    for (const auto& [reason, count] : m_counts) {
        failed += count;
        reasons += QStringLiteral("\n%1: %2 个").arg(reason).arg(count);
    }
    return QStringLiteral("%1 个文件压缩失败:").arg(failed) + reasons;
}
