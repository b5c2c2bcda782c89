#include "TReasonText.h"

#include <QLocale>
#include <QStringList>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>

namespace {

std::atomic<TReasonText::Language> g_language{TReasonText::English};

const char* ChineseOf(FileStatus status)
{
    switch (status) {
    case FileStatus::Ok:
        return "成功";
    case FileStatus::NothingToSave:
        return "无需保存";
    case FileStatus::Missing:
        return "文件不存在";
    case FileStatus::NotWritable:
        return "只读文件";
    case FileStatus::ReadFailed:
        return "无法读取文件";
    case FileStatus::WriteFailed:
        return "无法写入文件";
    case FileStatus::OutOfMemory:
        return "内存不足";
    case FileStatus::Changed:
        return "文件在压缩过程中被修改";
    case FileStatus::ForeignLink:
        return "未跟随符号链接: 链接的所有者不拥有目标文件";
    case FileStatus::NotRegular:
        return "不是普通文件";
    case FileStatus::UnsupportedEncoding:
        return "不支持 UTF-16 或 UTF-32 编码的文本";
    case FileStatus::DiskFull:
        return "磁盘已满";
    case FileStatus::Damaged:
        return "已被中断的运行损坏";
    case FileStatus::SetIdNotKept:
        return "无法保留 set-id 位";
    case FileStatus::IsSource:
        return "输出会替换它自己的源文件";
    }
    return "未知错误";
}

// English, then Chinese.
std::pair<const char*, const char*> WordsOf(filestore::DeadRunFinding::Kind kind)
{
    using Finding = filestore::DeadRunFinding;
    switch (kind) {
    case Finding::KeptAside:
        return {"page written since an interrupted run; its earlier bytes are kept in",
                "页面在中断的运行之后已被改写, 其之前的内容保存在"};
    case Finding::Damaged:
        return {"damaged recovery copy of an interrupted run (remove it once its page is checked)",
                "中断的运行留下的恢复副本已损坏 (检查页面后请删除它)"};
    case Finding::UnknownFormat:
        return {"recovery copy of unknown format (remove it once its page is checked)",
                "格式未知的恢复副本 (检查页面后请删除它)"};
    case Finding::Unmatched:
        return {"recovery copy whose page cannot be found (remove it once checked)",
                "找不到页面的恢复副本 (检查后请删除它)"};
    case Finding::NotRestored:
        return {"recovery copy could not be put back into its torn page", "恢复副本无法写回被损坏的页面"};
    case Finding::Foreign:
        return {"another user's interrupted run left its page torn; recovery copy",
                "其他用户中断的运行损坏了页面; 恢复副本"};
    }
    return {"recovery copy", "恢复副本"};
}

// The errors the file list, the log, the settings and the pages can meet.
const char* ChineseOfSystemError(int error)
{
    switch (error) {
    case ENOENT:
        return "文件不存在";
    case ENOTDIR:
        return "路径中有一部分不是文件夹";
    case EACCES:
        return "没有访问权限";
    case EPERM:
        return "不允许的操作";
    case EROFS:
        return "只读文件系统";
    case ENOSPC:
        return "磁盘已满";
#ifdef EDQUOT
    case EDQUOT:
        return "超出磁盘配额";
#endif
    case EISDIR:
        return "这是一个文件夹";
    case EFBIG:
        return "文件过大";
    case EIO:
        return "输入/输出错误";
    case ENOMEM:
        return "内存不足";
#ifdef ELOOP
    case ELOOP:
        return "符号链接层数过多";
#endif
    case ENAMETOOLONG:
        return "文件名过长";
    case EMFILE:
    case ENFILE:
        return "打开的文件过多";
    case EBUSY:
        return "设备或资源忙";
#ifdef ETXTBSY
    case ETXTBSY:
        return "文件正被执行";
#endif
    case EEXIST:
        return "文件已存在";
    case EINVAL:
        return "无效的参数";
    case EAGAIN:
        return "资源暂时不可用";
    case ENXIO:
        return "没有这个设备或地址";
    default:
        return nullptr;
    }
}

} // namespace

void TReasonText::SetLanguage(Language language)
{
    g_language = language;
}

TReasonText::Language TReasonText::CurrentLanguage()
{
    return g_language;
}

TReasonText::Language TReasonText::LanguageOfLocale()
{
    const QStringList languages = QLocale::system().uiLanguages();
    return !languages.isEmpty() && QLocale(languages.first()).language() == QLocale::Chinese ? Chinese : English;
}

QString TReasonText::Of(FileStatus status)
{
    return QString::fromUtf8(g_language == Chinese ? ChineseOf(status) : FileStatusText(status));
}

QString TReasonText::OfDeadRunFinding(filestore::DeadRunFinding::Kind kind)
{
    const auto [english, chinese] = WordsOf(kind);
    return QString::fromUtf8(g_language == Chinese ? chinese : english);
}

QString TReasonText::OfOutput(OutputWord word)
{
    const bool chinese = g_language == Chinese;
    switch (word) {
    case ChangedSinceMade:
        return QString::fromUtf8(chinese ? "生成之后已被修改, 保持原样" : "changed since it was made, left as it is");
    case UnreadableManifest:
        return QString::fromUtf8(chinese ? "无法读取输出文件夹的记录 (所有输出将重新生成):"
                                         : "unreadable record of the output folder (every output is made again):");
    }
    return {};
}

QString TReasonText::OfSystemError(int error)
{
    const QString system = QString::fromLocal8Bit(std::strerror(error));
    if (g_language == English)
        return system;
    if (const char* text = ChineseOfSystemError(error))
        return QString::fromUtf8(text);
    // Rare errors keep the system's words beside a Chinese lead.
    return QStringLiteral("系统错误 %1 (%2)").arg(error).arg(system);
}
