#pragma once

#include <QList>
#include <QSslError>
#include <QString>

class QSslSocket;

// The files a TLS opening of a remote port trusts and presents. An empty path stands for the
// file of that name in the configuration folder's tls/ folder, used when it exists there; a
// path given (a command line's --tls-ca, --tls-cert, --tls-key) must be readable.
struct TlsFiles {
    QString ca;   // the CAs a server's certificate must come from; none: the system's
    QString cert; // this station's certificate, presented when the server asks for one
    QString key;  // its private key
};

// "<configuration folder>/tls", the home of ca.pem, client.pem and client.key.
QString TlsFolder();

// Readies the socket for a handshake with `files`: TLS 1.2 or later, the server checked
// against the CAs and against the name it is reached by. False, with the file and the reason,
// when a file cannot be used.
bool ConfigureTls(QSslSocket& socket, const TlsFiles& files, QString* error);

// Which check of the server's certificate failed, and what to do, for an opening's refusal.
QString ServerCertificateRefusal(const QList<QSslError>& errors, const QString& host);
// The server ended the connection during or right after the handshake without a word: it
// refused this station. `presented` is the certificate's subject, empty when none went.
QString ClientRefusal(const QString& presented, const QString& alert);
