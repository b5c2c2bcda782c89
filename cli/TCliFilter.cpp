#include "TCliFilter.h"

#include "app/core/TCompressRun.h"
#include "app/core/TReasonText.h"
#include "engine/HTMLCompressor.h"
#include "engine/WideText.h"

#include <QString>
#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

QString Say(const char* english, const char* chinese)
{
    return QString::fromUtf8(TReasonText::CurrentLanguage() == TReasonText::Chinese ? chinese : english);
}

void Tell(const QString& text)
{
    std::fputs(("corvane: " + text + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
}

} // namespace

int TCliFilter::Run(THTMLCompressor& HC, bool dryRun, bool quiet)
{
    std::string page;
    char slice[1 << 16];
    for (;;) {
        const std::size_t n = std::fread(slice, 1, sizeof slice, stdin);
        page.append(slice, n);
        if (n < sizeof slice)
            break;
    }
    const QString input = Say("standard input", "标准输入");
    if (std::ferror(stdin)) {
        Tell(Say("%1 could not be read: %2", "%1 无法读取: %2").arg(input, TReasonText::OfSystemError(errno)));
        return 1;
    }
    const std::size_t before = page.size();
    const bool wide = IsWideText(page);
    if (!wide) {
        HC.LoadFromBytes(std::string_view(page)); // the page stays: an empty result leaves it as it was
        HC.Compress();
        // As in place: only a shorter, non-empty result replaces the page.
        if (HC.IsCompressed() && HC.ResultLength() > 0 && HC.ResultLength() != HC.LoadedLength())
            page = HC.TakeText();
    }
    if (wide)
        Tell(Say("%1: failed: %2", "%1: 失败: %2").arg(input, TReasonText::Of(FileStatus::UnsupportedEncoding)));
    if (dryRun) {
        if (!quiet)
            Tell(Say("%1: %2 -> %3 bytes, %4 saved (dry run, nothing written)",
                     "%1: %2 -> %3 字节, 节省 %4 (试运行, 未写入任何文件)")
                     .arg(input)
                     .arg(before)
                     .arg(page.size())
                     .arg(TCompressRun::PercentText(before, page.size())));
    } else if (std::fwrite(page.data(), 1, page.size(), stdout) != page.size()) {
        return 1; // the caller tells that standard output could not be written
    }
    return wide ? 1 : 0;
}
