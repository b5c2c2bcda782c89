#include "ThrowawayUser.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace {

bool Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

} // namespace

ThrowawayUser::ThrowawayUser()
    : m_name(QStringLiteral("corvt%1x%2").arg(::getpid()).arg(quintptr(this) % 100000))
{
    if (::geteuid() != 0)
        return;
    if (!Run(QStringLiteral("groupadd"), {m_name}))
        return;
    if (!Run(QStringLiteral("useradd"),
             {QStringLiteral("-M"), QStringLiteral("-N"), QStringLiteral("-g"), m_name, QStringLiteral("-s"),
              QStringLiteral("/usr/sbin/nologin"), m_name})) {
        Run(QStringLiteral("groupdel"), {m_name});
        return;
    }
    const QByteArray name = m_name.toLocal8Bit();
    const passwd* user = ::getpwnam(name.constData());
    const group* grp = ::getgrnam(name.constData());
    m_valid = user && grp;
    if (m_valid) {
        m_uid = user->pw_uid;
        m_gid = grp->gr_gid;
    }
}

ThrowawayUser::~ThrowawayUser()
{
    if (::geteuid() != 0)
        return;
    Run(QStringLiteral("userdel"), {m_name});
    Run(QStringLiteral("groupdel"), {m_name});
}

QStringList ThrowawayUser::RunAs() const
{
    return {QStringLiteral("--reuid=%1").arg(m_uid), QStringLiteral("--regid=%1").arg(m_gid),
            QStringLiteral("--clear-groups")};
}
