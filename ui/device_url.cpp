#include "device_url.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

constexpr int MAX_HOST_NAME = 253;

bool IsDecimal(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// Dotted-quad IPv4, written back without leading zeros: browsers would read "010" as octal.
QString CanonicalIpv4(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return {};
    QStringList canonical;
    for (const QString& part : parts) {
        if (!IsDecimal(part) || part.size() > 3 || part.toInt() > 255)
            return {};
        canonical << QString::number(part.toInt());
    }
    return canonical.join(QLatin1Char('.'));
}

bool IsHostName(const QString& text)
{
    static const QRegularExpression label(
        QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?$"));
    if (text.isEmpty() || text.size() > MAX_HOST_NAME)
        return false;
    const QStringList labels = text.split(QLatin1Char('.'));
    for (const QString& l : labels) {
        if (!label.match(l).hasMatch())
            return false;
    }
    // All-numeric names are malformed addresses, not names.
    return !IsDecimal(labels.last());
}

} // namespace

DeviceUrl DeviceWebPage(const QString& ipText, const QString& portText)
{
    const QString host = ipText.trimmed();
    const QString port = portText.trimmed();
    DeviceUrl page;
    page.text = QStringLiteral("http://") + host + QLatin1Char(':') + port;

    QString canonicalHost = CanonicalIpv4(host);
    if (canonicalHost.isEmpty() && IsHostName(host))
        canonicalHost = host;
    if (canonicalHost.isEmpty())
        return page;
    const bool portValid = port.isEmpty()
                           || (IsDecimal(port) && port.size() <= 5 && port.toInt() >= 1
                               && port.toInt() <= 65535);
    if (!portValid)
        return page;

    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(canonicalHost);
    if (!port.isEmpty())
        url.setPort(port.toInt());
    if (url.isValid())
        page.url = url;
    return page;
}
