#pragma once
// A throw-away PKI and an HTTPS server on 127.0.0.1 for the update check's tests. The
// certificates are made at test time with the openssl command: a test CA (trusted only
// through the QSslConfiguration the test hands to the code under test), a server
// certificate it signs for 127.0.0.1, and a second server certificate from a CA nobody
// trusts.
#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QStringList>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

namespace vtest {

class TestPki {
public:
    // False (with the openssl output in `log`) when the certificates cannot be made.
    bool Make() {
        const QString ext = dir_.filePath("ext.cnf");
        QFile f(ext);
        if (!f.open(QIODevice::WriteOnly))
            return false;
        f.write("subjectAltName=IP:127.0.0.1,DNS:localhost\nbasicConstraints=CA:FALSE\n");
        f.close();
        const QStringList ec{"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
        for (const QString& ca : {QStringLiteral("ca"), QStringLiteral("rogue-ca")}) {
            if (!Run(QStringList{"req", "-x509"} + ec +
                     QStringList{"-keyout", Path(ca + ".key"), "-out", Path(ca + ".pem"), "-days",
                                 "2", "-subj", "/CN=Vorex " + ca}))
                return false;
        }
        for (const auto& [server, ca] :
             {std::pair{QStringLiteral("server"), QStringLiteral("ca")},
              std::pair{QStringLiteral("rogue"), QStringLiteral("rogue-ca")}}) {
            if (!Run(QStringList{"req"} + ec +
                     QStringList{"-keyout", Path(server + ".key"), "-out", Path(server + ".csr"),
                                 "-subj", "/CN=127.0.0.1"}) ||
                !Run({"x509", "-req", "-in", Path(server + ".csr"), "-CA", Path(ca + ".pem"),
                      "-CAkey", Path(ca + ".key"), "-CAcreateserial", "-out", Path(server + ".pem"),
                      "-days", "2", "-extfile", ext}))
                return false;
        }
        return true;
    }

    QSslCertificate Certificate(const QString& name) const {
        const auto list = QSslCertificate::fromPath(Path(name + ".pem"));
        return list.isEmpty() ? QSslCertificate() : list.front();
    }
    QSslKey Key(const QString& name) const {
        QFile f(Path(name + ".key"));
        f.open(QIODevice::ReadOnly);
        return QSslKey(f.readAll(), QSsl::Ec);
    }
    // The client side: trusts the test CA and nothing else.
    QSslConfiguration ClientConfig() const {
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setCaCertificates({Certificate("ca")});
        return config;
    }
    QString Path(const QString& name) const { return dir_.filePath(name); }
    QString log;

private:
    bool Run(const QStringList& args) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("openssl"), args);
        const bool ok =
            p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        log += QString::fromLocal8Bit(p.readAll());
        return ok;
    }
    QTemporaryDir dir_;
};

// Serves fixed answers per path over HTTPS on 127.0.0.1, one request per connection.
class TestHttpsServer {
public:
    struct Answer {
        int status = 200;
        QByteArray body;
        // Content-Length to announce when it differs from the body (a cut transfer).
        qint64 announced = -1;
        // > 0: the body goes out one byte every this many ms (a server that keeps a
        // transfer alive for as long as it likes).
        int trickleMs = 0;
    };

    // certificate: "server" (signed by the test CA) or "rogue" (signed by an unknown CA).
    bool Listen(const TestPki& pki, const QString& certificate = QStringLiteral("server")) {
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(pki.Certificate(certificate));
        config.setPrivateKey(pki.Key(certificate));
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        server_.setSslConfiguration(config);
        QObject::connect(&server_, &QTcpServer::pendingConnectionAvailable, &server_,
                         [this] { Accept(); });
        return server_.listen(QHostAddress::LocalHost);
    }
    QString BaseUrl() const {
        return QStringLiteral("https://127.0.0.1:%1/rfid/software/").arg(server_.serverPort());
    }
    void Set(const QString& file, const Answer& answer) {
        answers_["/rfid/software/" + file] = answer;
    }
    // Paths asked for, in order.
    QStringList requests;

    // A loopback port on which nothing listens.
    static quint16 ClosedPort() {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        return probe.serverPort();
    }

private:
    void Accept() {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::readyRead, socket,
                             [this, socket] { Serve(socket); });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            if (socket->bytesAvailable() > 0)
                Serve(socket);
        }
    }
    void Serve(QTcpSocket* socket) {
        QByteArray& pending = buffers_[socket];
        pending += socket->readAll();
        if (!pending.contains("\r\n\r\n"))
            return;
        const QList<QByteArray> words = pending.left(pending.indexOf("\r\n")).split(' ');
        buffers_.remove(socket);
        const QString path = words.size() > 1 ? QString::fromLatin1(words[1]) : QString();
        requests << path;
        const auto it = answers_.find(path);
        const Answer answer = it == answers_.end() ? Answer{404, "<html>Not Found</html>"} : *it;
        const qint64 length = answer.announced >= 0 ? answer.announced : answer.body.size();
        const QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) +
                                " X\r\nContent-Length: " + QByteArray::number(length) +
                                "\r\nConnection: close\r\n\r\n";
        if (answer.trickleMs > 0) {
            socket->write(head);
            auto* timer = new QTimer(socket);
            QObject::connect(timer, &QTimer::timeout, socket,
                             [socket, body = answer.body, sent = qsizetype(0)]() mutable {
                                 if (sent < body.size())
                                     socket->write(body.mid(sent++, 1));
                                 else
                                     socket->disconnectFromHost();
                             });
            timer->start(answer.trickleMs);
            return;
        }
        socket->write(head + answer.body);
        socket->disconnectFromHost();
    }

    QSslServer server_;
    QHash<QString, Answer> answers_;
    QHash<QTcpSocket*, QByteArray> buffers_;
};

} // namespace vtest
