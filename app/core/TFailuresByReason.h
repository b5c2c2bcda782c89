#pragma once

#include <QString>
#include <utility>
#include <vector>

// The failed files of one run, counted by reason in the order the reasons were first met, and
// the one message that sums them up once the run is over.
class TFailuresByReason
{
public:
    void Add(const QString& reason);
    void Clear() { m_counts.clear(); }
    [[nodiscard]] bool IsEmpty() const { return m_counts.empty(); }
    // "2 个文件压缩失败:" and a line "reason: n 个" per reason.
    [[nodiscard]] QString Summary() const;

private:
    std::vector<std::pair<QString, int>> m_counts;
};
