#pragma once

#include <QString>
#include <QTemporaryDir>

// A lab's certificates, made with the openssl command in a folder of their own: a CA, a server
// certificate it signed for 127.0.0.1, a station's client certificate it signed (common name
// "station"), and a second CA with a server certificate of its own, which nobody trusts.
class TestCertificates {
public:
    TestCertificates();
    TestCertificates(const TestCertificates&) = delete;
    TestCertificates& operator=(const TestCertificates&) = delete;

    bool made() const { return made_; }
    QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    // ca.pem, server.pem/.key, client.pem/.key; otherca-server.pem/.key from the other CA.
    // ser2net's authentication folder: the station's name with the CA allowed.
    QString AuthDir() const { return Path("auth"); }
    static constexpr const char* kStationName = "station";
    // Copies the CA and the station's certificate and key to the configuration folder's tls/,
    // where the port layer finds them; `withClient` false leaves the station without one.
    bool InstallInConfigFolder(bool withClient) const;
    static void RemoveFromConfigFolder();

private:
    bool openssl(const QStringList& arguments);
    bool sign(const QString& name, const QString& ca, const QString& subject, const QString& extensions);

    QTemporaryDir dir_;
    bool made_ = false;
};
