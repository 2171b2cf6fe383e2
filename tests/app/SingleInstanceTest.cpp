#include "platform/SingleInstance.h"
#include "support/DataTable.h"
#include "support/TestRunner.h"

#include <QLocalSocket>

#include <chrono>
#include <future>

class SingleInstanceTest : public QObject
{
    Q_OBJECT

private:
    int m_serial = 0;
    QString uniqueName() { return QStringLiteral("lumory-test-%1-%2").arg(QCoreApplication::applicationPid()).arg(++m_serial); }

    // The later process's side runs on a thread of its own: it waits for the running instance's
    // answer, which the main thread's event loop gives.
    static std::future<bool> handOverFromAnotherThread(const QString &name, const QStringList &paths,
                                                       const QString &token = QString())
    {
        return std::async(std::launch::async, [name, paths, token] {
            LMRSingleInstance later(name);
            return later.handOver(paths, token);
        });
    }

    static bool isReady(std::future<bool> &future)
    {
        return future.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }

private slots:
    void handsPathsToTheRunningInstance_data()
    {
        QTest::addColumn<QStringList>("paths");
        // The activation token the later process was launched with.
        QTest::addColumn<QString>("token");
        QTest::newRow("one folder, with the launcher's token")
            << QStringList{"/home/someone/Pictures"} << "gnome-shell/Lumory/1234-5-host_TIME42";
        QTest::newRow("names with spaces, new lines and accents")
            << QStringList{"/tmp/a b", "/tmp/line\nbreak", QString::fromUtf8("/tmp/Fotos Sommer \xc3\xa9t\xc3\xa9")} << "";
    }

    void handsPathsToTheRunningInstance()
    {
        QFETCH(QStringList, paths);
        QFETCH(QString, token);
        const QString name = uniqueName();
        LMRSingleInstance running(name);
        QVERIFY(running.listen());
        QSignalSpy received(&running, &LMRSingleInstance::received);
        // The name has one owner: a second listener is refused, and the first serves on.
        LMRSingleInstance second(name);
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(QStringLiteral("^Could not listen on")));
        QVERIFY(!second.listen());

        auto handedOver = handOverFromAnotherThread(name, paths, token);
        QTRY_COMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).toStringList(), paths);
        QCOMPARE(received.at(0).at(1).toString(), token);
        QTRY_VERIFY(isReady(handedOver));
        QVERIFY(handedOver.get());
    }

    // One instance per user and graphical session: a launch on another display runs by itself.
    void oneInstancePerDisplay_data()
    {
        lmrtest::columns<QString, QString, bool>({"running", "later", "handedOver"});
        QTest::newRow("same display") << ":N" << ":N" << true;
        QTest::newRow("same display, another screen") << ":N" << ":N.1" << true;
        QTest::newRow("another display") << ":N" << ":M" << false;
        QTest::newRow("a forwarded display of that number") << ":N" << "localhost:N" << false;
    }
    void oneInstancePerDisplay()
    {
        QFETCH(QString, running);
        QFETCH(QString, later);
        QFETCH(bool, handedOver);
        struct Environment {
            QByteArray display = qgetenv("DISPLAY"), wayland = qgetenv("WAYLAND_DISPLAY");
            ~Environment() { qputenv("DISPLAY", display); qputenv("WAYLAND_DISPLAY", wayland); }
        } saved;
        // Display numbers nobody else uses, so that no real instance answers.
        const QString n = QString::number(QCoreApplication::applicationPid());
        const QString m = QString::number(QCoreApplication::applicationPid() + 1);
        qunsetenv("WAYLAND_DISPLAY");
        qputenv("DISPLAY", running.replace('N', n).toUtf8());
        LMRSingleInstance first(LMRSingleInstance::defaultName());
        QVERIFY(first.listen());
        QSignalSpy received(&first, &LMRSingleInstance::received);
        qputenv("DISPLAY", later.replace('N', n).replace('M', m).toUtf8());
        auto handed = handOverFromAnotherThread(LMRSingleInstance::defaultName(), {QStringLiteral("/tmp")});
        QTRY_VERIFY(isReady(handed));
        QCOMPARE(handed.get(), handedOver);
        QCOMPARE(received.count(), handedOver ? 1 : 0);
    }

    void aMalformedMessageIsDroppedAndServingGoesOn()
    {
        const QString name = uniqueName();
        LMRSingleInstance running(name);
        QVERIFY(running.listen());
        QSignalSpy received(&running, &LMRSingleInstance::received);

        auto garbage = std::async(std::launch::async, [name] {
            QLocalSocket socket;
            socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
            socket.connectToServer(name);
            if (!socket.waitForConnected(3000))
                return false;
            // A length far beyond any list of paths.
            QByteArray header;
            QDataStream(&header, QIODevice::WriteOnly) << quint32(0x40000000);
            socket.write(header + QByteArray(64, 'x'));
            socket.waitForBytesWritten(3000);
            // The running instance hangs up without an answer.
            while (socket.state() == QLocalSocket::ConnectedState && socket.waitForReadyRead(3000)) {
                if (!socket.readAll().isEmpty())
                    return false;
            }
            return socket.state() != QLocalSocket::ConnectedState;
        });
        QTRY_VERIFY(isReady(garbage));
        QVERIFY(garbage.get());
        QCOMPARE(received.count(), 0);

        auto handedOver = handOverFromAnotherThread(name, {QStringLiteral("/tmp")});
        QTRY_COMPARE(received.count(), 1);
        QTRY_VERIFY(isReady(handedOver));
        QVERIFY(handedOver.get());
    }
};

LMR_REGISTER_TEST(SingleInstanceTest);
#include "SingleInstanceTest.moc"
