#!/usr/bin/env python3
"""The HTTP layer of norvane-server over raw sockets: framing as a mature parser (h11) frames it,
hostile connections, descriptor exhaustion and the protocol details a parser leaves to the
server. Usage: test_http.py SERVER_BINARY [--report REPORT.json] [TEST...]"""
import json
import os
import re
import resource
import socket
import sys
import tempfile
import threading
import time
import unittest

import h11

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_server  # noqa: E402
from test_server import Server, note_body  # noqa: E402

# The messages of the answers the server gives by itself when it cannot read a request.
REFUSALS = {'请求无法处理', '请求头过大', '请求内容过大', '不支持的传输编码', '请求超时'}
GET = b'GET /api/company/info?user_id=1 HTTP/1.1\r\nHost: x\r\n\r\n'
LAST_GET = GET[:-2] + b'Connection: close\r\n\r\n'


def address(srv):
    host, port = srv.base[len('http://'):].rsplit(':', 1)
    return host, int(port)


def exchange(srv, data, half_close=False, timeout=10):
    """Sends bytes on a fresh connection (then, with half_close, the client's FIN) and reads
    until the server closes; returns the answers as (status, headers, body)."""
    with socket.create_connection(address(srv), timeout=timeout) as sock:
        sock.sendall(data)
        if half_close:
            sock.shutdown(socket.SHUT_WR)
        raw = b''
        while True:
            try:
                chunk = sock.recv(65536)
            except ConnectionResetError:
                break
            if not chunk:
                break
            raw += chunk
    return parse_answers(raw)


def parse_answers(raw):
    answers = []
    while raw:
        end = raw.find(b'\r\n\r\n')
        if end < 0:
            raise AssertionError('truncated answer: %r' % raw[:200])
        lines = raw[:end].decode('latin-1').split('\r\n')
        status = int(lines[0].split()[1])
        headers = {}
        for line in lines[1:]:
            name, value = line.split(':', 1)
            headers.setdefault(name.strip().lower(), []).append(value.strip())
        length = int(headers.get('content-length', ['0'])[0]) if status != 100 else 0
        if raw[end + 4:end + 5] != b'{':
            length = 0  # the answer to HEAD: every body here is a JSON object
        answers.append((status, headers, raw[end + 4:end + 4 + length]))
        raw = raw[end + 4 + length:]
    return answers


def message(answer):
    try:
        return json.loads(answer[2].decode('utf-8')).get('message', '')
    except ValueError:
        return ''


def h11_requests(data):
    """The requests h11 finds in a connection's bytes (method, decoded path), answering each
    so that it reads on, and whether it gave up on the rest as malformed."""
    conn = h11.Connection(h11.SERVER)
    conn.receive_data(data)
    conn.receive_data(b'')
    found = []
    current = None
    while True:
        try:
            event = conn.next_event()
        except h11.RemoteProtocolError:
            return found, True
        if isinstance(event, h11.Request):
            current = (event.method.decode('latin-1'), event.target.decode('latin-1'))
        elif isinstance(event, h11.EndOfMessage):
            found.append(current)
            conn.send(h11.Response(status_code=200, headers=[('Content-Length', '0')]))
            conn.send(h11.EndOfMessage())
            try:
                conn.start_next_cycle()
            except h11.LocalProtocolError:
                return found, False  # the connection ends after this request
        elif event is h11.NEED_DATA or event is h11.PAUSED or \
                isinstance(event, h11.ConnectionClosed):
            return found, False


def path_of(target):
    path = target.split('?', 1)[0]
    if path.startswith('http://'):
        path = '/' + path[len('http://'):].split('/', 1)[1] if '/' in path[7:] else '/'
    return path


def log_lines(path, start):
    with open(path, 'rb') as f:
        f.seek(start)
        text = f.read()
    return [l for l in text.decode('utf-8', 'replace').splitlines()
            if re.match(r'^\S+ \S* \d{3}$', l)]


def framings():
    """(name, bytes, h11-valid): each followed by a second request to see where the first ends."""
    after = b'GET /smuggled HTTP/1.1\r\nHost: x\r\n\r\n'
    login = b'POST /api/users/login HTTP/1.1\r\nHost: x\r\n'
    body = b'{"a":1}'
    cases = [
        ('plain GET', GET, True),
        ('two GETs', GET + GET, True),
        ('sized body', login + b'Content-Length: 7\r\n\r\n' + body, True),
        ('zero length', login + b'Content-Length: 0\r\n\r\n', True),
        ('chunked', login + b'Transfer-Encoding: chunked\r\n\r\n7\r\n' + body + b'\r\n0\r\n\r\n',
         True),
        ('chunked in pieces', login + b'Transfer-Encoding: chunked\r\n\r\n3\r\n{"a\r\n4\r\n'
         b'":1}\r\n0\r\n\r\n', True),
        ('chunk size upper case', login + b'Transfer-Encoding: chunked\r\n\r\n7\r\n' + body +
         b'\r\n0\r\n\r\n', True),
        ('chunk size with zeros', login + b'Transfer-Encoding: chunked\r\n\r\n0007\r\n' + body +
         b'\r\n000\r\n\r\n', True),
        ('chunk extension', login + b'Transfer-Encoding: chunked\r\n\r\n7;a=b\r\n' + body +
         b'\r\n0;c="d"\r\n\r\n', True),
        ('trailer', login + b'Transfer-Encoding: chunked\r\n\r\n7\r\n' + body +
         b'\r\n0\r\nX-T: 1\r\n\r\n', True),
        ('coding case', login + b'Transfer-Encoding: Chunked\r\n\r\n7\r\n' + body +
         b'\r\n0\r\n\r\n', True),
        ('HEAD', b'HEAD /api/company/info?user_id=1 HTTP/1.1\r\nHost: x\r\n\r\n', True),
        ('absolute form', b'GET http://x/api/company/info?user_id=1 HTTP/1.1\r\nHost: x\r\n\r\n',
         True),
        ('lower-case names', b'GET /api/company/info?user_id=1 HTTP/1.1\r\nhost: x\r\n'
         b'content-length: 0\r\n\r\n', True),
        ('blanks around a value', b'GET /a HTTP/1.1\r\nHost:   x \t\r\nX-Y:\tz\r\n\r\n', True),
        ('obs-text in a value', b'GET /a HTTP/1.1\r\nHost: x\r\nX-Y: \xe4\xb8\xad\r\n\r\n', True),
        ('empty value', b'GET /a HTTP/1.1\r\nHost: x\r\nX-Y:\r\n\r\n', True),
        ('connection close', b'GET /a HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n', True),
        ('HTTP/1.0 closes', b'GET /a HTTP/1.0\r\n\r\n', True),
        # h11 closes every HTTP/1.0 connection; the server may read on.
        ('HTTP/1.0 keep-alive', b'GET /a HTTP/1.0\r\nConnection: keep-alive\r\n\r\n', 'more'),
        ('unknown method', b'X /a HTTP/1.1\r\nHost: x\r\n\r\n', True),
        ('GET with a body', b'GET /api/company/info?user_id=1 HTTP/1.1\r\nHost: x\r\n'
         b'Content-Length: 3\r\n\r\nabc', True),
        ('expect continue', login + b'Expect: 100-continue\r\nContent-Length: 7\r\n\r\n' + body,
         True),
        # Ambiguous or malformed: the server refuses them, or frames them as h11 does.
        ('bare LF in a value', b'GET /a HTTP/1.1\r\nHost: x\r\nX: a\nContent-Length: 35\r\n\r\n',
         None),
        ('blank before colon', login + b'Content-Length : 7\r\n\r\n' + body, None),
        ('bare LF ends the head', b'GET /a HTTP/1.1\r\nHost: x\n\n', None),
        ('bare LF lines', b'GET /a HTTP/1.1\nHost: x\nContent-Length: 3\n\nabc', None),
        ('bare LF ends the chunks', login + b'Transfer-Encoding: chunked\r\n\r\n7\r\n' + body +
         b'\r\n0\r\n\n', None),
        ('bare CR in a value', b'GET /a HTTP/1.1\r\nHost: x\r\nX: a\rContent-Length: 3\r\n\r\n',
         None),
        ('NUL in a value', b'GET /a HTTP/1.1\r\nHost: x\r\nX: a\x00b\r\n\r\n', None),
        ('control byte in a value', b'GET /a HTTP/1.1\r\nHost: x\r\nX: a\x01b\r\n\r\n', None),
        ('length and chunked', login + b'Content-Length: 7\r\nTransfer-Encoding: chunked\r\n\r\n'
         b'7\r\n' + body + b'\r\n0\r\n\r\n', None),
        ('chunked and length', login + b'Transfer-Encoding: chunked\r\nContent-Length: 7\r\n\r\n'
         b'7\r\n' + body + b'\r\n0\r\n\r\n', None),
        ('xchunked and length', login + b'Transfer-Encoding: xchunked\r\nContent-Length: 7\r\n'
         b'\r\n' + body, None),
        ('chunked, identity', login + b'Transfer-Encoding: chunked, identity\r\n\r\n7\r\n' + body +
         b'\r\n0\r\n\r\n', None),
        ('identity, chunked', login + b'Transfer-Encoding: identity, chunked\r\n\r\n7\r\n' + body +
         b'\r\n0\r\n\r\n', None),
        ('chunked twice', login + b'Transfer-Encoding: chunked\r\nTransfer-Encoding: chunked\r\n'
         b'\r\n7\r\n' + body + b'\r\n0\r\n\r\n', None),
        ('gzip', login + b'Transfer-Encoding: gzip\r\n\r\n' + body, None),
        ('two lengths', login + b'Content-Length: 7\r\nContent-Length: 8\r\n\r\n' + body + b' ',
         None),
        ('two equal lengths', login + b'Content-Length: 7\r\nContent-Length: 7\r\n\r\n' + body,
         None),
        ('length list', login + b'Content-Length: 7, 7\r\n\r\n' + body, None),
        ('length with plus', login + b'Content-Length: +7\r\n\r\n' + body, None),
        ('negative length', login + b'Content-Length: -7\r\n\r\n' + body, None),
        ('length in hex', login + b'Content-Length: 0x7\r\n\r\n' + body, None),
        ('length with a blank', login + b'Content-Length: 7 7\r\n\r\n' + body, None),
        ('huge length', login + b'Content-Length: 99999999999999999999999\r\n\r\n' + body, None),
        ('chunk size overflow', login + b'Transfer-Encoding: chunked\r\n\r\n'
         b'10000000000000007\r\n' + body + b'\r\n0\r\n\r\n', None),
        ('chunk size 0x', login + b'Transfer-Encoding: chunked\r\n\r\n0x7\r\n' + body +
         b'\r\n0\r\n\r\n', None),
        ('chunk size with a blank', login + b'Transfer-Encoding: chunked\r\n\r\n7 \r\n' + body +
         b'\r\n0\r\n\r\n', None),
        ('chunk longer than its size', login + b'Transfer-Encoding: chunked\r\n\r\n3\r\n' + body +
         b'\r\n0\r\n\r\n', None),
        ('chunk data without CRLF', login + b'Transfer-Encoding: chunked\r\n\r\n7\r\n' + body +
         b'0\r\n\r\n', None),
        ('bad chunk extension', login + b'Transfer-Encoding: chunked\r\n\r\n7;\x01\r\n' + body +
         b'\r\n0\r\n\r\n', None),
        ('length in a trailer', login + b'Transfer-Encoding: chunked\r\n\r\n7\r\n' + body +
         b'\r\n0\r\nContent-Length: 40\r\n\r\n', None),
        ('folded value', b'GET /a HTTP/1.1\r\nHost: x\r\nX: a\r\n b\r\n\r\n', None),
        ('folded length', login + b'X: a\r\n Content-Length: 7\r\n\r\n' + body, None),
        ('line without colon', b'GET /a HTTP/1.1\r\nHost: x\r\nNoColon\r\n\r\n', None),
        ('name with a bad byte', b'GET /a HTTP/1.1\r\nHost: x\r\nX@Y: 1\r\n\r\n', None),
        ('two blanks in the request line', b'GET  /a HTTP/1.1\r\nHost: x\r\n\r\n', None),
        ('tab in the request line', b'GET\t/a HTTP/1.1\r\nHost: x\r\n\r\n', None),
        ('no Host', b'GET /a HTTP/1.1\r\n\r\n', None),
        ('two Hosts', b'GET /a HTTP/1.1\r\nHost: x\r\nHost: y\r\n\r\n', None),
        ('HTTP/2.0', b'GET /a HTTP/2.0\r\nHost: x\r\n\r\n', None),
        ('HTTP/1.0 chunked', b'POST /api/users/login HTTP/1.0\r\nTransfer-Encoding: chunked\r\n'
         b'\r\n7\r\n' + body + b'\r\n0\r\n\r\n', None),
        ('leading blank line', b'\r\n' + GET, None),
        ('lower-case version', b'GET /a http/1.1\r\nHost: x\r\n\r\n', None),
    ]
    return [(name, data + after, valid) for name, data, valid in cases]


class FramingTest(unittest.TestCase):
    def test_requests_end_where_h11_ends_them(self):
        with tempfile.TemporaryDirectory() as tmp:
            log_path = os.path.join(tmp, 'server.log')
            with open(log_path, 'wb') as log:
                srv = Server(os.path.join(tmp, 'd'), log=log)
            problems = []
            try:
                for name, data, valid in framings():
                    start = os.path.getsize(log_path)
                    answers = exchange(srv, data, half_close=True)
                    lines = log_lines(log_path, start)
                    answers = [a for a in answers if a[0] != 100]
                    if len(lines) != len(answers):
                        problems.append('%s: %d log lines, %d answers' % (name, len(lines),
                                                                           len(answers)))
                        continue
                    seen = []
                    refused = False
                    for line, answer in zip(lines, answers):
                        method, path, _ = line.split(' ')
                        if message(answer) in REFUSALS:
                            refused = True
                            break
                        seen.append((method, path))
                    expected, malformed = h11_requests(data)
                    expected = [(m, path_of(t)) for m, t in expected]
                    if valid == 'more':
                        seen = seen[:len(expected)]
                    if seen != expected[:len(seen)]:
                        problems.append('%s: server %s, h11 %s' % (name, seen, expected))
                    elif valid and (refused or seen != expected or malformed):
                        problems.append('%s: a valid framing not served as h11 serves it: '
                                        'server %s%s, h11 %s' % (name, seen,
                                                                 ' then refused' if refused
                                                                 else '', expected))
                    elif os.environ.get('NV_SHOW_FRAMING'):
                        print('%s: server %s%s, h11 %s%s' % (name, seen, ' refused' if refused
                                                             else '', expected,
                                                             ' malformed' if malformed else ''))
                    if not refused and len(seen) < len(expected) and not malformed:
                        problems.append('%s: the server stopped after %s, h11 read on to %s'
                                        % (name, seen, expected))
            finally:
                srv.stop()
            self.assertEqual(problems, [])
            self.assertGreaterEqual(len(framings()), 60)


class HostileConnectionTest(test_server.DemoServerTest):
    def read_answers(self, sock, count, deadline):
        """Reads until `count` answers have come (or the deadline); returns the statuses."""
        statuses = []
        pending = b''
        while len(statuses) < count and time.monotonic() < deadline:
            try:
                chunk = sock.recv(1 << 22)
            except socket.timeout:
                continue
            if not chunk:
                break
            pending += chunk
            at = 0
            while True:
                end = pending.find(b'\r\n\r\n', at)
                if end < 0:
                    break
                length = int(pending[pending.find(b'Content-Length: ', at) + 16:
                                     pending.find(b'\r\n', pending.find(b'Content-Length: ', at))])
                if len(pending) < end + 4 + length:
                    break
                statuses.append(int(pending[at + 9:at + 12]))
                at = end + 4 + length
            pending = pending[at:]
        return statuses

    def test_a_flood_of_pipelined_requests_is_answered_in_order(self):
        # A chunked note, then 100,000 one-line requests the server answers by itself, while
        # a second connection keeps the server reading a body of one-byte chunks.
        note = json.dumps(note_body(1, no='SHD-FLOOD')).encode()
        first = (b'POST /api/delivery-notes HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked'
                 b'\r\n\r\n')
        count = 100000
        with socket.create_connection(address(self.srv), timeout=10) as sock, \
                socket.create_connection(address(self.srv), timeout=10) as busy:
            sock.sendall(first)
            busy.sendall(first + b'1\r\n \r\n' * 300000)
            time.sleep(0.3)
            sender = threading.Thread(target=lambda: sock.sendall(
                b'%x\r\n%s\r\n0\r\n\r\n' % (len(note), note) +
                b'X / HTTP/1.1\r\nHost: x\r\n\r\n' * count))
            sender.start()
            statuses = self.read_answers(sock, count + 1, time.monotonic() + 60)
            sender.join()
        self.assertIsNone(self.srv.proc.poll(), 'the server died')
        self.assertEqual(len(statuses), count + 1)
        self.assertEqual(statuses[0], 200)
        self.assertEqual(set(statuses[1:]), {404})
        self.assertEqual(exchange(self.srv, LAST_GET, half_close=False)[0][0], 200)

    def test_a_body_of_one_byte_chunks_takes_linear_time_and_holds_no_one_up(self):
        note = json.dumps(note_body(1, no='SHD-BYTES')).encode()
        note = note[:-1] + b' ' * (512 * 1024 - len(note)) + b'}'
        data = (b'POST /api/delivery-notes HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked'
                b'\r\nConnection: close\r\n\r\n' + b''.join(b'1\r\n%c\r\n' % c for c in note) + b'0\r\n\r\n')
        result = []
        started = time.monotonic()
        worker = threading.Thread(target=lambda: result.append(exchange(self.srv, data, False, 30)))
        worker.start()
        try:
            time.sleep(0.3)
            begun = time.monotonic()
            self.assertEqual(exchange(self.srv, LAST_GET, half_close=False)[0][0], 200)
            self.assertLess(time.monotonic() - begun, 2.0)
        finally:
            worker.join()
        self.assertLess(time.monotonic() - started, 10.0)
        self.assertEqual([a[0] for a in result[0]], [200])

    def test_megabytes_of_trailers_or_chunk_extensions_are_refused(self):
        for name, tail in (('trailers', b'0\r\n' + b'X-T: ' + b'a' * 1000 + b'\r\n'),
                           ('extensions', b'1;' + b'e' * 1000 + b'\r\na\r\n')):
            data = (b'POST /api/users/login HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked'
                    b'\r\n\r\n2\r\n{}\r\n')
            started = time.monotonic()
            with socket.create_connection(address(self.srv), timeout=10) as sock:
                sock.sendall(data)
                sent = 0
                try:
                    while sent < 12 * 1024 * 1024:
                        sock.sendall(tail * 64)
                        sent += len(tail) * 64
                except (BrokenPipeError, ConnectionResetError):
                    pass
                answer = b''
                try:
                    while True:
                        chunk = sock.recv(65536)
                        if not chunk:
                            break
                        answer += chunk
                except ConnectionResetError:
                    pass
            answers = parse_answers(answer)
            self.assertEqual(len(answers), 1, name)
            self.assertIn(message(answers[0]), REFUSALS, name)
            self.assertLess(time.monotonic() - started, 8, name)

    def test_a_request_sent_with_the_clients_fin_is_answered(self):
        for _ in range(20):
            answers = exchange(self.srv, GET, half_close=True)
            self.assertEqual([a[0] for a in answers], [200])

    def test_details_a_parser_leaves_to_the_server(self):
        login = b'POST /api/users/login HTTP/%s\r\nHost: x\r\n'
        # HTTP/1.0 knows no transfer coding; an HTTP/1.1 request names exactly one host.
        for data in (b'POST /api/users/login HTTP/1.0\r\nTransfer-Encoding: chunked\r\n\r\n'
                     b'2\r\n{}\r\n0\r\n\r\n' + LAST_GET,
                     b'GET /api/company/info?user_id=1 HTTP/1.1\r\n\r\n' + LAST_GET,
                     b'GET /api/company/info?user_id=1 HTTP/1.1\r\nHost: a\r\nHost: b\r\n\r\n' +
                     LAST_GET):
            answers = exchange(self.srv, data)
            self.assertEqual([a[0] for a in answers], [400], data)
            self.assertEqual(answers[0][1]['connection'], ['close'])
        # Codings other than chunked are not read, also when a length stands beside them.
        for coding in (b'gzip', b'xchunked', b'chunked, gzip'):
            answers = exchange(self.srv, login % b'1.1' + b'Transfer-Encoding: ' + coding +
                               b'\r\nContent-Length: 2\r\n\r\n{}' + LAST_GET)
            self.assertIn(answers[0][0], (400, 501), coding)
            self.assertEqual(len(answers), 1, coding)
        # The absolute form is taken as the origin form.
        answers = exchange(self.srv, b'GET http://127.0.0.1/api/company/info?user_id=1 '
                                     b'HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n')
        self.assertEqual(answers[0][0], 200)
        self.assertIn('enterprise_name', answers[0][2].decode())
        # 100 Continue only for HTTP/1.1.
        with socket.create_connection(address(self.srv), timeout=10) as sock:
            sock.sendall(login % b'1.1' + b'Expect: 100-continue\r\nContent-Length: 2\r\n\r\n')
            self.assertTrue(sock.recv(100).startswith(b'HTTP/1.1 100 Continue\r\n\r\n'))
        answers = exchange(self.srv, login % b'1.0' +
                           b'Expect: 100-continue\r\nContent-Length: 2\r\n\r\n{}')
        self.assertEqual([a[0] for a in answers], [400])  # the handler's: no account given
        # Date on every answer, Allow on every 405.
        answers = exchange(self.srv, GET + b'PATCH /api/delivery-notes HTTP/1.1\r\nHost: x\r\n'
                                           b'\r\n' + b'GET /nowhere HTTP/1.1\r\nHost: x\r\n'
                                           b'Connection: close\r\n\r\n')
        self.assertEqual([a[0] for a in answers], [200, 405, 404])
        for a in answers:
            self.assertRegex(a[1]['date'][0],
                             r'^[A-Z][a-z]{2}, \d\d [A-Z][a-z]{2} \d{4} \d\d:\d\d:\d\d GMT$')
        self.assertEqual(answers[1][1]['allow'], ['GET, HEAD, POST, PUT, DELETE'])
        # The path is split before it is decoded; NUL and control bytes are refused.
        for target, status in ((b'/api%2Fcompany/info?user_id=1', 404),
                               (b'/api/company%2Finfo?user_id=1', 404),
                               (b'/api/company/info%00?user_id=1', 400),
                               (b'/api/company/info%0d?user_id=1', 400),
                               (b'/api/company/%69nfo?user_id=1', 200)):
            answers = exchange(self.srv, b'GET ' + target +
                               b' HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n')
            self.assertEqual(answers[0][0], status, target)


class DescriptorTest(unittest.TestCase):
    def cpu_seconds(self, proc):
        with open('/proc/%d/stat' % proc.pid) as f:
            fields = f.read().rsplit(')', 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf('SC_CLK_TCK')

    def start(self, tmp, limit):
        def lower_limit():
            resource.setrlimit(resource.RLIMIT_NOFILE, (limit, limit))
        test_server_popen = test_server.subprocess.Popen

        def popen(*args, **kwargs):
            return test_server_popen(*args, preexec_fn=lower_limit, **kwargs)
        test_server.subprocess.Popen = popen
        try:
            return Server(os.path.join(tmp, 'd'))
        finally:
            test_server.subprocess.Popen = test_server_popen

    def hold(self, srv, count):
        held = []
        for _ in range(count):
            held.append(socket.create_connection(address(srv), timeout=10))
        return held

    def test_out_of_descriptors_the_server_waits_without_spinning_and_serves_again(self):
        with tempfile.TemporaryDirectory() as tmp:
            srv = self.start(tmp, 64)
            try:
                held = self.hold(srv, 150)
                before = self.cpu_seconds(srv.proc)
                time.sleep(2)
                self.assertLess(self.cpu_seconds(srv.proc) - before, 0.5, 'the server spins')
                started = time.monotonic()
                self.assertEqual(exchange(srv, LAST_GET)[0][0], 200)
                self.assertLess(time.monotonic() - started, 2.0)
                for s in held:
                    s.close()
                time.sleep(0.5)
                answers = [exchange(srv, LAST_GET)[0][0] for _ in range(20)]
                self.assertEqual(set(answers), {200})
            finally:
                srv.stop()

    def test_idle_connections_beyond_the_cap_keep_no_one_out(self):
        soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
        if hard < 2500:
            self.skipTest('too few descriptors for 1,100 connections')
        resource.setrlimit(resource.RLIMIT_NOFILE, (max(soft, 2500), hard))
        with tempfile.TemporaryDirectory() as tmp:
            srv = self.start(tmp, 4096)
            held = []
            try:
                held = self.hold(srv, 1100)
                time.sleep(0.5)
                for _ in range(5):
                    started = time.monotonic()
                    self.assertEqual(exchange(srv, LAST_GET)[0][0], 200)
                    self.assertLess(time.monotonic() - started, 2.0)
            finally:
                for s in held:
                    s.close()
                srv.stop()


if __name__ == '__main__':
    test_server.run(sys.modules[__name__])
