#pragma once
// One Lumory per user and graphical session: the first process listens on a local socket named
// after the user and the display it shows its window on; a later one on the same display hands
// its folder arguments to it and exits, while one started on another display or session runs
// by itself. The running one receives them through
// the received() signal. Only processes of the same user are believed, on both ends: a local
// socket name is visible to every user of the machine, and anyone may take a free one.
//
// It does not interpret what it carries: paths go through unchanged and the receiver decides
// what to open.

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

class LMRSingleInstance : public QObject
{
    Q_OBJECT
public:
    // name: the rendezvous; defaultName() for the program, anything unique for tests.
    explicit LMRSingleInstance(const QString &name = defaultName(), QObject *parent = nullptr);
    ~LMRSingleInstance() override;

    // "lumory-<uid>-<session>", the session being the Wayland socket on Wayland, else the X
    // display (without its screen number), else the platform's name.
    static QString defaultName();

    // Gives paths to a running instance, with the activation token this process was started
    // with (XDG_ACTIVATION_TOKEN; the running one needs it to take the focus on Wayland). True
    // once the running instance has confirmed them; false when none runs or it does not answer
    // within timeoutMs (then this process should carry on by itself).
    bool handOver(const QStringList &paths, const QString &activationToken = QString(), int timeoutMs = 3000);

    // Becomes the running instance. False when the name is held by another live process.
    bool listen();
    bool isListening() const;

signals:
    // Paths handed over by a later process, in its order, and its activation token (empty when
    // it had none).
    void received(const QStringList &paths, const QString &activationToken);

private:
    void acceptConnection();
    void readFrom(QLocalSocket *socket);

    QString m_name;
    QLocalServer *m_server = nullptr;
};
