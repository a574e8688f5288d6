#include "link/PortTarget.h"

#include "shared/Settings.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <climits>
#include <unistd.h>

namespace {

const QLatin1String kScheme("rfc2217://");
const QLatin1String kTlsScheme("rfc2217+tls://");

} // namespace

bool IsRemoteTarget(const QString& target)
{
    return target.startsWith(kScheme, Qt::CaseInsensitive) || target.startsWith(kTlsScheme, Qt::CaseInsensitive);
}

std::optional<RemoteAddress> ParseRemoteTarget(const QString& target)
{
    if (!IsRemoteTarget(target))
        return std::nullopt;
    const QUrl url(target, QUrl::StrictMode);
    const int port = url.port();
    if (!url.isValid() || url.host().isEmpty() || port < 1 || port > 65535 || !url.userInfo().isEmpty() ||
        !(url.path().isEmpty() || url.path() == QLatin1String("/")) || url.hasQuery() || url.hasFragment())
        return std::nullopt;
    return RemoteAddress{url.host(), static_cast<uint16_t>(port), target.startsWith(kTlsScheme, Qt::CaseInsensitive)};
}

QString PortLinkName(int16_t n)
{
    return QStringLiteral("COM%1").arg(n);
}

QString FallbackDevice(int16_t n)
{
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
}

QString PortNotOpenText(int16_t n)
{
    return PortLinkName(n) + QStringLiteral(": the port is not open");
}

QString PortLinkPath(int16_t n)
{
    return AppConfigFolder() + QStringLiteral("/ports/") + PortLinkName(n);
}

QString PortTargetOf(int16_t n)
{
    const QString path = PortLinkPath(n);
    const QFileInfo link(path);
    if (!link.isSymLink())
        return FallbackDevice(n);
    // A link's text that is an address is taken as written: as a path it would be read relative
    // to the ports folder and its "//" folded into one.
    char raw[PATH_MAX];
    const ssize_t size = ::readlink(QFile::encodeName(path).constData(), raw, sizeof raw - 1);
    if (size > 0) {
        const QString text = QFile::decodeName(QByteArray(raw, size));
        if (IsRemoteTarget(text))
            return text;
    }
    return link.symLinkTarget();
}
