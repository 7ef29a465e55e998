#pragma once
// A real HTTP server on loopback (Python's http.server) for answers that misbehave:
//   /endless    a body that never ends, as fast as the connection takes it
//   /trickle    a body that never ends, 1 KiB every 50 ms
//   /announced  a length of 1 TiB announced, then a body that never ends
//   /sized/N    exactly N bytes
#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <algorithm>

#include "support/TestSupport.h"

namespace zuvo::test {

class StreamingHttpServer {
 public:
  StreamingHttpServer() {
    const QString script = writeFile(freshFolder("streaming-server") + "/serve.py", R"py(
import http.server, socketserver, sys, time

class Answers(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.0'
    def log_message(self, *args):
        pass
    def do_GET(self):
        piece = b'x' * 65536
        try:
            if self.path.startswith('/sized/'):
                size = int(self.path[7:])
                self.send_response(200)
                self.send_header('Content-Length', str(size))
                self.end_headers()
                while size > 0:
                    self.wfile.write(piece[:min(size, len(piece))])
                    size -= len(piece)
                return
            self.send_response(200)
            if self.path == '/announced':
                self.send_header('Content-Length', str(1 << 40))
            self.end_headers()
            while True:
                if self.path == '/trickle':
                    self.wfile.write(piece[:1024])
                    self.wfile.flush()
                    time.sleep(0.05)
                else:
                    self.wfile.write(piece)
        except (BrokenPipeError, ConnectionResetError):
            pass

class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True

server = Server(('127.0.0.1', 0), Answers)
print(server.server_address[1], flush=True)
server.serve_forever()
)py");
    process_.start("python3", {script});
    // The port comes as the first line, however long a loaded machine takes to start Python.
    QDeadlineTimer deadline(60000);
    while (!process_.canReadLine() && !deadline.hasExpired() && process_.state() != QProcess::NotRunning)
      process_.waitForReadyRead(int(std::min<qint64>(1000, deadline.remainingTime())));
    if (process_.canReadLine()) port_ = process_.readLine().trimmed().toInt();
  }
  ~StreamingHttpServer() {
    process_.kill();
    process_.waitForFinished();
  }
  QString url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path);
  }
  bool running() const { return port_ > 0; }

 private:
  QProcess process_;
  int port_ = 0;
};

}  // namespace zuvo::test
