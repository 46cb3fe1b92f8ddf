// One viewer per user, display and settings file: a second start hands its
// files to the viewer already running over a local socket and ends.
#pragma once

#include <QObject>
#include <QStringList>

class QLocalServer;

namespace veltor {

class SingleInstance : public QObject {
    Q_OBJECT
  public:
    // `name` is the socket's name; defaultName() is the per-user one.
    explicit SingleInstance(const QString& name = defaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    static QString defaultName();

    // Hands `files` (absolute paths; may be empty: the running viewer just
    // comes to the front) to a running viewer. False when none answers.
    bool handOver(const QStringList& files, int timeoutMs = 1000) const;
    // Starts answering later starts; false (with the reason in
    // errorString) when the socket cannot be made: the viewer then runs
    // without the hand-over.
    bool listen();
    QString errorString() const { return m_error; }

  signals:
    void filesReceived(const QStringList& files);

  private:
    QString m_name;
    QLocalServer* m_server = nullptr;
    QString m_error;
};

} // namespace veltor
