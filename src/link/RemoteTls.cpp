#include "link/RemoteTls.h"

#include "shared/Settings.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>

namespace {

const QLatin1String kCaFile("ca.pem");
const QLatin1String kCertFile("client.pem");
const QLatin1String kKeyFile("client.key");

// The path to use for one of the files: the one named, or the folder's when it exists; empty
// for none.
QString chosen(const QString& named, QLatin1String defaultName)
{
    if (!named.isEmpty())
        return named;
    const QString path = TlsFolder() + QLatin1Char('/') + defaultName;
    return QFile::exists(path) ? path : QString();
}

bool readFile(const QString& path, QByteArray* bytes, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    *bytes = file.readAll();
    return true;
}

QSslKey readKey(const QByteArray& pem)
{
    for (QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa}) {
        QSslKey key(pem, algorithm, QSsl::Pem);
        if (!key.isNull())
            return key;
    }
    return {};
}

bool addClientCertificate(QSslConfiguration& config, const QString& certPath, const QString& keyPath,
                          QString* error)
{
    QByteArray certPem, keyPem;
    if (!readFile(certPath, &certPem, error) || !readFile(keyPath, &keyPem, error))
        return false;
    const QList<QSslCertificate> chain = QSslCertificate::fromData(certPem, QSsl::Pem);
    if (chain.isEmpty()) {
        *error = QStringLiteral("%1: no PEM certificate in it").arg(certPath);
        return false;
    }
    const QSslKey key = readKey(keyPem);
    if (key.isNull()) {
        *error = QStringLiteral("%1: no unencrypted PEM private key in it").arg(keyPath);
        return false;
    }
    config.setLocalCertificateChain(chain);
    config.setPrivateKey(key);
    return true;
}

QString firstCommonName(const QStringList& names)
{
    return names.isEmpty() ? QStringLiteral("no name") : names.first();
}

} // namespace

QString TlsFolder()
{
    return AppConfigFolder() + QStringLiteral("/tls");
}

bool ConfigureTls(QSslSocket& socket, const TlsFiles& files, QString* error)
{
    if (!QSslSocket::supportsSsl()) {
        *error = QStringLiteral("TLS is not available: Qt finds no TLS backend (%1).\nInstall the OpenSSL "
                                "library Qt's network module uses (libssl3).")
                     .arg(QSslSocket::activeBackend());
        return false;
    }
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setProtocol(QSsl::TlsV1_2OrLater);
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    const QString ca = chosen(files.ca, kCaFile);
    if (!ca.isEmpty()) {
        QByteArray pem;
        if (!readFile(ca, &pem, error))
            return false;
        const QList<QSslCertificate> authorities = QSslCertificate::fromData(pem, QSsl::Pem);
        if (authorities.isEmpty()) {
            *error = QStringLiteral("%1: no PEM certificate in it").arg(ca);
            return false;
        }
        config.setCaCertificates(authorities); // the lab's CA alone, not the system's as well
    }
    const QString cert = chosen(files.cert, kCertFile);
    const QString key = chosen(files.key, kKeyFile);
    if (!cert.isEmpty() || !key.isEmpty()) {
        if (cert.isEmpty() || key.isEmpty()) {
            *error = QStringLiteral("%1: a client certificate needs its key beside it, and the key its "
                                    "certificate.")
                         .arg(cert.isEmpty() ? key : cert);
            return false;
        }
        if (!addClientCertificate(config, cert, key, error))
            return false;
    }
    socket.setSslConfiguration(config);
    return true;
}

QString ServerCertificateRefusal(const QList<QSslError>& errors, const QString& host)
{
    const QSslError& error = errors.first();
    const QSslCertificate& certificate = error.certificate();
    switch (error.error()) {
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain:
    case QSslError::CertificateUntrusted:
        return QStringLiteral("the server's certificate comes from a CA this station does not trust "
                              "(unknown CA: issued by %1).\nPut the lab's CA certificate in %2/%3.")
            .arg(firstCommonName(certificate.issuerInfo(QSslCertificate::CommonName)), TlsFolder(), kCaFile);
    case QSslError::HostNameMismatch:
        return QStringLiteral("the server's certificate is for another name (wrong name: %1, not %2).\nReach the "
                              "server by the name its certificate holds, or give it a certificate for %2.")
            .arg(firstCommonName(certificate.subjectInfo(QSslCertificate::CommonName)), host);
    case QSslError::CertificateExpired:
        return QStringLiteral("the server's certificate has expired (expired: %1).\nRenew it on the server.")
            .arg(certificate.expiryDate().toString(Qt::ISODate));
    case QSslError::CertificateNotYetValid:
        return QStringLiteral("the server's certificate is not valid yet (valid from %1).\nCheck both clocks.")
            .arg(certificate.effectiveDate().toString(Qt::ISODate));
    default:
        return QStringLiteral("the server's certificate was refused (%1).").arg(error.errorString());
    }
}

QString ClientRefusal(const QString& presented, const QString& alert)
{
    const QString said = alert.isEmpty() ? QString() : QStringLiteral(": %1").arg(alert);
    if (presented.isEmpty())
        return QStringLiteral("the server refused this station (client refused: it asks for a client certificate "
                              "and none was presented%1).\nPut this station's certificate and key in %2/%3 and "
                              "%2/%4.")
            .arg(said, TlsFolder(), kCertFile, kKeyFile);
    return QStringLiteral("the server refused this station (client refused: it did not accept the certificate "
                          "of %1%2).\nHave the server's administrator allow it.")
        .arg(presented, said);
}
