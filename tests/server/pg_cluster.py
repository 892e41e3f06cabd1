"""A throwaway PostgreSQL 15 cluster for the server's tests: initdb into a folder under build/,
run as an unprivileged user (PostgreSQL refuses root), on a free loopback port, stopped by its
process id. Connections need no password (trust), the tests' role may create databases but is no
superuser, as the server's own role in production."""
import os
import pwd
import shutil
import signal
import socket
import subprocess
import tempfile
import time

BIN = '/usr/lib/postgresql/15/bin'
ROLE = 'norvane'


def _as_owner(cmd):
    return (['runuser', '-u', 'nobody', '--'] + cmd) if os.geteuid() == 0 else cmd


def _free_port():
    with socket.socket() as s:
        s.bind(('127.0.0.1', 0))
        return s.getsockname()[1]


class Cluster:
    def __init__(self, folder):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        if os.geteuid() == 0 and subprocess.run(_as_owner(['test', '-x', folder])).returncode:
            # The unprivileged user cannot reach the build folder (a home folder closed to
            # others): a temporary folder instead.
            os.rmdir(folder)
            folder = tempfile.mkdtemp(prefix='norvane-pg-')
        self.folder = folder
        if os.geteuid() == 0:
            nobody = pwd.getpwnam('nobody')
            os.chown(folder, nobody.pw_uid, nobody.pw_gid)
        self.data = os.path.join(folder, 'data')
        subprocess.run(_as_owner([BIN + '/initdb', '-D', self.data, '-A', 'trust', '-U',
                                  'postgres', '-E', 'UTF8', '--locale=C.UTF-8']),
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.proc = None
        self.port = None
        self.start()
        self.psql('CREATE ROLE %s LOGIN CREATEDB' % ROLE)

    def start(self):
        """Starts the cluster (again on the same port when it ran before)."""
        for _ in range(5):
            port = self.port or _free_port()
            self.proc = subprocess.Popen(
                _as_owner([BIN + '/postgres', '-D', self.data, '-p', str(port), '-k', self.folder,
                           '-c', 'listen_addresses=127.0.0.1', '-c', 'fsync=on']),
                stdout=subprocess.DEVNULL, stderr=open(os.path.join(self.folder, 'log'), 'ab'))
            end = time.time() + 30
            while time.time() < end and self.proc.poll() is None:
                if subprocess.run(['pg_isready', '-q', '-h', '127.0.0.1', '-p', str(port)]
                                  ).returncode == 0:
                    self.port = port
                    return
                time.sleep(0.1)
            self.stop()
            if self.port:  # its own port is taken: nothing else to try
                break
        raise RuntimeError('PostgreSQL did not start: ' + open(os.path.join(
            self.folder, 'log'), errors='replace').read()[-2000:])

    def stop(self):
        """Fast shutdown, signalled to the postmaster's own process id (runuser, which started
        it, passes no signal on)."""
        if self.proc and self.proc.poll() is None:
            try:
                with open(os.path.join(self.data, 'postmaster.pid')) as f:
                    os.kill(int(f.readline()), signal.SIGINT)
            except (OSError, ValueError):
                self.proc.send_signal(signal.SIGINT)
            try:
                self.proc.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()

    def remove(self):
        """Stops the cluster and deletes its folder."""
        self.stop()
        shutil.rmtree(self.folder, ignore_errors=True)

    def url(self, database):
        return 'postgresql://%s@127.0.0.1:%d/%s' % (ROLE, self.port, database)

    def psql(self, sql, database='postgres', user='postgres'):
        out = subprocess.run(['psql', '-X', '-q', '-A', '-t', '-v', 'ON_ERROR_STOP=1', '-h',
                              '127.0.0.1', '-p', str(self.port), '-U', user, '-d', database,
                              '-c', sql], check=True, capture_output=True, text=True)
        return out.stdout.strip()

    def create_database(self, name):
        self.psql('CREATE DATABASE %s OWNER %s' % (name, ROLE))
        return self.url(name)


if __name__ == '__main__':
    # pg_cluster.py FOLDER: runs a cluster until standard input closes; prints its port first.
    import sys
    cluster = Cluster(sys.argv[1])
    print(cluster.port, flush=True)
    try:
        sys.stdin.read()
    finally:
        cluster.remove()
