#!/usr/bin/env python3
"""The desktop client under Wine and Xvfb against the reference server, driven by window
messages through ui_driver.exe. Screenshots of every window at 96 and 144 DPI go to
build/artifacts/."""
import datetime
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time
import urllib.request

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
WINE = os.path.join(ROOT, 'tools', 'wine.sh')
EXE = os.path.join(ROOT, 'build', 'windows', 'norvane.exe')
DRIVER = os.path.join(ROOT, 'build', 'windows', 'ui_driver.exe')
SERVER = os.path.join(ROOT, 'build', 'native', 'norvane-server')
WORK = os.path.join(ROOT, 'build', 'e2e', 'ui')
ARTIFACTS = os.path.join(ROOT, 'build', 'artifacts')
PREFIX = os.environ.get('WINEPREFIX', os.path.join(ROOT, 'build', 'wineprefix'))
PORT = 18931

MAIN, LOGIN, EDIT = 'NorvaneMainWnd', 'NorvaneLoginWnd', 'NorvaneEditWnd'
checks = 0


def check(cond, what):
    global checks
    checks += 1
    if not cond:
        raise AssertionError(what)


def drv(*args, ok=True):
    # Output goes through files, not pipes: Wine may start helper processes (the desktop's
    # explorer.exe) that inherit the streams and would keep a pipe open for ever.
    out_path, err_path = os.path.join(WORK, 'drv.out'), os.path.join(WORK, 'drv.err')
    with open(out_path, 'wb') as out, open(err_path, 'wb') as err:
        code = subprocess.run([WINE, DRIVER] + [str(a) for a in args], stdout=out,
                              stderr=err).returncode
    if ok and code != 0:
        raise AssertionError('ui_driver %s failed: %s' % (
            args, open(err_path, 'rb').read().decode(errors='replace')))
    return open(out_path, 'rb').read().decode('utf-8')


def quiet(*cmd):
    return subprocess.run(list(cmd), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode


def rows(cls, list_id):
    out = drv('rows', cls, list_id)
    return [line.split('\t') for line in out.split('\n') if line]


def shot(name):
    os.makedirs(ARTIFACTS, exist_ok=True)
    time.sleep(0.8)
    subprocess.run(['import', '-window', 'root', os.path.join(ARTIFACTS, name + '.png')],
                   check=True)


def app_dir():
    users = os.path.join(PREFIX, 'drive_c', 'users')
    for u in os.listdir(users):
        p = os.path.join(users, u, 'AppData', 'Roaming')
        if os.path.isdir(p):
            return os.path.join(p, 'Norvane')
    raise RuntimeError('no roaming folder')


def ini():
    text = open(os.path.join(app_dir(), 'config.ini'), 'rb').read().decode('utf-16')
    values, section = {}, ''
    for line in text.splitlines():
        m = re.match(r'\[(.*)\]', line)
        if m:
            section = m.group(1)
        elif '=' in line:
            k, v = line.split('=', 1)
            values[section + '/' + k] = v
    return values


class Server:
    def __init__(self, data):
        self.data = data
        self.start()

    def start(self):
        self.proc = subprocess.Popen([SERVER, 'serve', '--data', self.data, '--listen',
                                      '127.0.0.1:%d' % PORT, '--demo'],
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        while not self.proc.stdout.readline().startswith('listening'):
            pass

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        self.proc.wait()

    def notes(self, user=1):
        url = 'http://127.0.0.1:%d/api/delivery-notes?userId=%d' % (PORT, user)
        return json.load(urllib.request.urlopen(url))['data']


class Client:
    def __init__(self):
        self.proc = subprocess.Popen([WINE, EXE], stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)

    def wait_exit(self):
        self.proc.wait(timeout=30)
        return self.proc.returncode


def sign_in(password, remember, enterprise=True):
    drv('wait', LOGIN, 20)
    drv('settext', LOGIN, 5001, 'demo')
    drv('settext', LOGIN, 5002, password)
    drv('combo', LOGIN, 5003, 1 if enterprise else 0)
    drv('check', LOGIN, 5006, 1 if remember else 0)
    drv('click', LOGIN, 5005)


def status():
    return drv('gettext', MAIN, 1003)


def wait_for(fn, what, seconds=15):
    # A window can be found while it is still creating its controls: until `fn` holds, a
    # failing driver call counts as "not yet".
    end = time.time() + seconds
    last = ''
    while time.time() < end:
        try:
            if fn():
                return
        except AssertionError as e:
            last = str(e)
        time.sleep(0.2)
    raise AssertionError('timed out: %s %s' % (what, last))


def set_dpi(dpi):
    quiet(WINE, 'reg', 'add', r'HKCU\Control Panel\Desktop', '/v', 'LogPixels', '/t',
          'REG_DWORD', '/d', str(dpi), '/f')
    quiet(WINE, '--stop')
    time.sleep(1)
    quiet(WINE, 'cmd', '/c', 'exit', '0')  # a fresh wineserver, not holding any of our pipes


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    server = Server(os.path.join(WORK, 'data'))
    quiet(WINE, 'cmd', '/c', 'exit', '0')
    set_dpi(96)
    shutil.rmtree(app_dir(), ignore_errors=True)
    os.makedirs(app_dir())
    with open(os.path.join(app_dir(), 'config.ini'), 'wb') as f:
        f.write(('[app]\r\nserver=http://127.0.0.1:%d\r\n' % PORT).encode('utf-16'))
    today = datetime.date.today().strftime('%Y-%m-%d')
    try:
        client = Client()
        # -- a wrong password shows the service's message and keeps the typed password ----
        drv('wait', LOGIN, 30)
        shot('login-96dpi')
        sign_in('wrong', remember=True)
        wait_for(lambda: drv('gettext', LOGIN, 5004) == '账号或密码错误', 'refusal message')
        check(drv('gettext', LOGIN, 5002) == 'wrong', 'typed password kept')
        check(drv('enabled', LOGIN, 5001) == '1', 'inputs enabled again')
        # -- a successful sign-in with the remember box writes the session keys --------------
        drv('settext', LOGIN, 5002, 'demo123')
        drv('click', LOGIN, 5005)
        drv('wait', MAIN, 20)
        wait_for(lambda: status().startswith('共 5 单'), 'notes loaded')
        keys = ini()
        check(keys.get('session/userId') == '1' and keys.get('session/remember') == '1', keys)
        check(keys.get('session/username') == '李经理', keys)
        check(keys.get('session/company') == '澄岚映辉照明科技有限公司', keys)
        check(keys.get('session/account') == 'demo', keys)
        listed = rows(MAIN, 1001)
        check(len(listed) == 5 and listed[0][0] == 'SHD20261203090500', listed)
        check(listed[0][8] == '¥10670.00' and listed[0][9] == '3', listed[0])
        shot('main-96dpi')
        # -- search with spaces around 照明 filters like 照明 alone --------------------------
        drv('settext', MAIN, 1002, '  照明  ')
        shown = rows(MAIN, 1001)
        expect = [n for n in server.notes() if any('照明' in n[k] for k in (
            'no', 'customer', 'project', 'address', 'contact', 'contactPhone', 'status'))]
        check([r[0] for r in shown] == [n['no'] for n in expect], (shown, expect))
        total = sum(float(r[8][1:]) for r in shown)
        check(status().startswith('共 %d 单（筛选后）· 合计 ¥%.2f' % (len(shown), total)), status())
        shot('main-filtered-96dpi')
        drv('settext', MAIN, 1002, '2026-12-03')  # the date is not searched
        check(rows(MAIN, 1001) == [], 'date search')
        drv('settext', MAIN, 1002, '')
        # -- a refresh that fails keeps the rows and shows the error ----------------------
        server.stop()
        drv('command', MAIN, 2001)
        box = drv('msgbox', 20)
        check(box.startswith('读取送货单失败\n读取送货单失败：'), box)
        check(status().startswith('读取失败：读取送货单失败：'), status())
        check(len(rows(MAIN, 1001)) == 5, 'rows kept')
        drv('msgbox-click', 1)
        server.start()
        drv('command', MAIN, 2001)
        wait_for(lambda: status().startswith('共 5 单'), 'reload')
        # -- a new note: number, today's date, items and totals, saved and listed ----------
        drv('command', MAIN, 2002)
        drv('wait', EDIT, 10)
        number = drv('gettext', EDIT, 3001)
        check(re.fullmatch(r'SHD' + today.replace('-', '') + r'\d{6}', number), number)
        check(drv('enabled', EDIT, 3001) == '1', 'new number editable')
        drv('settext', EDIT, 3003, 'E2E 照明客户')
        drv('settext', EDIT, 3004, '测试项目')
        for box_id, text in zip(range(3011, 3020),
                                ['LED灯带', 'NV-1', '5m', '12W', '单亮', '无', '2.5', '', '35']):
            drv('settext', EDIT, box_id, text)
        drv('click', EDIT, 3020)
        wait_for(lambda: drv('gettext', EDIT, 3023) == '合计：¥87.50', 'total after add')
        items = rows(EDIT, 3010)
        check(items == [['LED灯带', 'NV-1', '5m', '12W', '单亮', '无', '2.50', '个', '35.00',
                         '87.50']], items)
        check(drv('gettext', EDIT, 3018) == '个', 'input row cleared')
        for box_id, text in zip(range(3011, 3020),
                                ['感应灯管', 'T8', '1.2m', '18W', '双亮', '雷达', '3abc', '支', '10']):
            drv('settext', EDIT, box_id, text)
        drv('click', EDIT, 3020)
        wait_for(lambda: drv('gettext', EDIT, 3023) == '合计：¥117.50', 'total of two')
        drv('settext', EDIT, 3011, '坏数量')
        drv('settext', EDIT, 3017, 'abc')
        drv('click', EDIT, 3020)
        check(drv('msgbox') == '提示\n数量必须大于 0', 'quantity refused')
        drv('msgbox-click', 1)
        drv('select', EDIT, 3010, 0)
        for box_id, text in zip(range(3011, 3020),
                                ['LED灯带', 'NV-1', '5m', '12W', '单亮', '无', '4', '卷', '35']):
            drv('settext', EDIT, box_id, text)
        drv('click', EDIT, 3021)
        wait_for(lambda: drv('gettext', EDIT, 3023) == '合计：¥170.00', 'total after update')
        shot('editor-96dpi')
        drv('select', EDIT, 3010, 1)
        drv('click', EDIT, 3022)
        wait_for(lambda: drv('gettext', EDIT, 3023) == '合计：¥140.00', 'total after delete')
        drv('click', EDIT, 3024)
        drv('gone', EDIT, 15)
        wait_for(lambda: rows(MAIN, 1001) and rows(MAIN, 1001)[0][1] == 'E2E 照明客户', 'listed')
        first = rows(MAIN, 1001)[0]
        check(first[0] == number and first[6] == today and first[8] == '¥140.00', first)
        stored = [n for n in server.notes() if n['no'] == number]
        check(len(stored) == 1 and stored[0]['items'][0]['unit'] == '卷', stored)
        # -- an existing note: number disabled; Escape closes without saving ----------------
        drv('select', MAIN, 1001, 0)
        drv('command', MAIN, 2003)
        drv('wait', EDIT, 10)
        check(drv('enabled', EDIT, 3001) == '0', 'number edit disabled')
        drv('settext', EDIT, 3003, '不应保存')
        drv('key', EDIT, 3003, 27)
        drv('gone', EDIT, 10)
        check([n['customer'] for n in server.notes() if n['no'] == number] == ['E2E 照明客户'],
              'escape saved nothing')
        # -- delete asks, then removes the note on the server --------------------------------
        drv('select', MAIN, 1001, 0)
        drv('command', MAIN, 2005)
        box = drv('msgbox')
        check(box == '删除确认\n确定删除送货单 %s（E2E 照明客户）？\n此操作不可恢复。' % number, box)
        drv('msgbox-click', 6)
        wait_for(lambda: len(rows(MAIN, 1001)) == 5, 'row removed')
        check(not [n for n in server.notes() if n['no'] == number], 'deleted on the server')
        # -- sign-out empties the list and the session keys ----------------------------------
        drv('command', MAIN, 2006)
        drv('wait', LOGIN, 15)
        check(rows(MAIN, 1001) == [], 'list emptied')
        keys = ini()
        check(keys.get('session/remember') == '0' and keys.get('session/userId') == '' and
              keys.get('session/username') == '' and keys.get('session/company') == '', keys)
        check(keys.get('session/account') == 'demo', keys)
        check(drv('gettext', LOGIN, 5001) == 'demo', 'account pre-filled')
        check(drv('enabled', MAIN, 0) == '0', 'main window disabled while signing in')
        sign_in('demo123', remember=True)
        wait_for(lambda: status().startswith('共 5 单'), 'signed in again')
        # -- closing the main window stores its rectangle -----------------------------------
        rect = [int(v) for v in drv('rect', MAIN).split()]
        drv('close', MAIN)
        check(client.wait_exit() == 0, 'exit code')
        keys = ini()
        check([int(keys['window/' + k]) for k in ('left', 'top', 'width', 'height')] ==
              [rect[0], rect[1], rect[2] - rect[0], rect[3] - rect[1]], (keys, rect))
        log = open(os.path.join(app_dir(), 'app.log'), encoding='utf-8').read()
        check('login ok: 李经理 (1) remember=1' in log and 'notes loaded: 5' in log, log)
        # -- a restart with the remembered session skips the login window -------------------
        client = Client()
        drv('wait', MAIN, 30)
        check(quiet(WINE, DRIVER, 'wait', LOGIN, '0') != 0, 'no login window')
        wait_for(lambda: status().startswith('共 5 单'), 'remembered session loads')
        drv('close', MAIN)
        client.wait_exit()
        check('login skipped (remembered session)' in
              open(os.path.join(app_dir(), 'app.log'), encoding='utf-8').read(), 'log line')

        # -- a remembered user the service no longer knows must sign in again ---------------
        with open(os.path.join(app_dir(), 'config.ini'), 'rb') as f:
            text = f.read().decode('utf-16')
        text = re.sub(r'(?m)^userId=.*$', 'userId=424242', text)
        with open(os.path.join(app_dir(), 'config.ini'), 'wb') as f:
            f.write(text.encode('utf-16'))
        client = Client()
        drv('wait', LOGIN, 30)
        keys = ini()
        check(keys.get('session/userId') == '' and keys.get('session/username') == '' and
              keys.get('session/company') == '' and keys.get('session/remember') == '1', keys)
        check('saved session invalid, require login' in
              open(os.path.join(app_dir(), 'app.log'), encoding='utf-8').read(), 'log line')
        sign_in('demo123', remember=True)
        wait_for(lambda: status().startswith('共 5 单'), 'signed in after the invalid session')
        drv('close', MAIN)
        client.wait_exit()

        # -- screenshots at 144 DPI ----------------------------------------------------------
        set_dpi(144)
        client = Client()
        drv('wait', MAIN, 30)
        wait_for(lambda: status().startswith('共 5 单'), 'loaded at 144 DPI')
        shot('main-144dpi')
        drv('settext', MAIN, 1002, '照明')
        shot('main-filtered-144dpi')
        drv('settext', MAIN, 1002, '')
        drv('select', MAIN, 1001, 0)
        drv('command', MAIN, 2003)
        drv('wait', EDIT, 10)
        shot('editor-144dpi')
        drv('key', EDIT, 3003, 27)
        drv('gone', EDIT, 10)
        drv('command', MAIN, 2006)
        drv('wait', LOGIN, 15)
        shot('login-144dpi')
        drv('close', LOGIN)
        check(client.wait_exit() == 0, 'closing the login window ends the program')
    finally:
        set_dpi(96)
        quiet('pkill', '-f', 'norvane.exe')
        server.stop()
    print('%d checks passed' % checks)


if __name__ == '__main__':
    try:
        main()
    except AssertionError as e:
        print('FAIL after %d checks: %s' % (checks, e))
        sys.exit(1)
