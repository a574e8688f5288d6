#include "support/TestCertificates.h"

#include "link/RemoteTls.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

TestCertificates::TestCertificates()
{
    QFile extensions(Path("server.ext"));
    if (!extensions.open(QIODevice::WriteOnly) || extensions.write("subjectAltName=IP:127.0.0.1\n") < 0)
        return;
    extensions.close();
    const QString allowed = AuthDir() + QLatin1Char('/') + QLatin1String(kStationName) + QStringLiteral("/allowed_certs");
    made_ = openssl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj", "/CN=Bench lab CA",
                     "-keyout", Path("ca.key"), "-out", Path("ca.pem")}) &&
            openssl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj", "/CN=Other CA",
                     "-keyout", Path("otherca.key"), "-out", Path("otherca.pem")}) &&
            sign("server", "ca", "/CN=127.0.0.1", Path("server.ext")) &&
            sign("otherca-server", "otherca", "/CN=127.0.0.1", Path("server.ext")) &&
            sign("client", "ca", QStringLiteral("/CN=%1").arg(QLatin1String(kStationName)), QString()) &&
            QDir().mkpath(allowed) && QFile::copy(Path("ca.pem"), allowed + QStringLiteral("/ca.pem")) &&
            openssl({"rehash", allowed});
    if (!made_)
        ADD_FAILURE() << "openssl could not make the test certificates";
}

bool TestCertificates::openssl(const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("openssl"), arguments);
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    ADD_FAILURE() << "openssl " << arguments.join(' ').toStdString() << ": " << process.readAll().toStdString();
    return false;
}

bool TestCertificates::sign(const QString& name, const QString& ca, const QString& subject, const QString& extensions)
{
    const QString base = dir_.filePath(name);
    QStringList arguments{"x509", "-req", "-in", base + ".csr", "-CA", Path(qPrintable(ca + ".pem")),
                          "-CAkey", Path(qPrintable(ca + ".key")), "-CAcreateserial", "-days", "2", "-out",
                          base + ".pem"};
    if (!extensions.isEmpty())
        arguments << "-extfile" << extensions;
    return openssl({"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-subj", subject, "-keyout", base + ".key", "-out",
                    base + ".csr"}) &&
           openssl(arguments);
}

bool TestCertificates::InstallInConfigFolder(bool withClient) const
{
    RemoveFromConfigFolder();
    const QString folder = TlsFolder();
    bool ok = QDir().mkpath(folder) && QFile::copy(Path("ca.pem"), folder + QStringLiteral("/ca.pem"));
    if (withClient)
        ok = ok && QFile::copy(Path("client.pem"), folder + QStringLiteral("/client.pem")) &&
             QFile::copy(Path("client.key"), folder + QStringLiteral("/client.key"));
    return ok;
}

void TestCertificates::RemoveFromConfigFolder()
{
    QDir(TlsFolder()).removeRecursively();
}
