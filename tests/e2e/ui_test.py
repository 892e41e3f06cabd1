#!/usr/bin/env python3
"""The desktop client under Wine and Xvfb against the reference server, driven by window
messages through ui_driver.exe. With NV_SCREENSHOTS=1 (tools/screenshots.sh) it also takes
screenshots of every window at 96 and 144 DPI into build/artifacts/; they assert nothing."""
import datetime
import hashlib
import json
import os
import re
import shutil
import sqlite3
import subprocess
import sys
import time
import urllib.request
import zipfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
WINE = os.path.join(ROOT, 'tools', 'wine.sh')
EXE = os.path.join(ROOT, 'build', 'windows', 'norvane.exe')
DRIVER = os.path.join(ROOT, 'build', 'windows', 'ui_driver.exe')
SERVER = os.path.join(ROOT, 'build', 'native', 'norvane-server')
WORK = os.path.join(ROOT, 'build', 'e2e', 'ui')
ARTIFACTS = os.path.join(ROOT, 'build', 'artifacts')
PREFIX = os.environ.get('WINEPREFIX', os.path.join(ROOT, 'build', 'test-wineprefix'))
# The data service's port, read back from the server that the test starts on port 0.
PORT = 0

MAIN, LOGIN, EDIT = 'NorvaneMainWnd', 'NorvaneLoginWnd', 'NorvaneEditWnd'
FIN, FORM = 'NVNativeFinance', 'NVNativeForm'
PREVIEW = 'NorvanePrintPreview'
STATEMENT = 'NorvaneStatementWnd'
PRINTED = os.environ.get('PRINTED', os.path.join(ROOT, 'build', 'printed'))
SCREENSHOTS = os.environ.get('NV_SCREENSHOTS') == '1'

sys.path.insert(0, os.path.join(ROOT, 'tests', 'server'))
import test_server  # noqa: E402  (the server helper of the server's own tests)
test_server.BINARY = SERVER


class Id:
    """Control and command ids of the windows, shared by every scenario."""
    # main window
    LIST, SEARCH, STATUS = 1001, 1002, 1003
    REFRESH, NEW, EDIT, PRINT, DELETE, SIGN_OUT = 2001, 2002, 2003, 2004, 2005, 2006
    WORD, PDF, EXCEL, STATEMENT = 2011, 2012, 2013, 2014
    ST_CUSTOMER, ST_FROM, ST_TO, ST_QUERY, ST_LIST, ST_SUM, ST_PDF, ST_EXCEL = (
        6001, 6002, 6003, 6005, 6006, 6007, 6008, 6009)
    # login window
    ACCOUNT, PASSWORD, TYPE, LOGIN_STATUS, SIGN_IN, REMEMBER = 5001, 5002, 5003, 5004, 5005, 5006
    # editor
    NUMBER, CUSTOMER, PROJECT, NOTE_STATUS, ITEMS = 3001, 3003, 3004, 3008, 3010
    ADDRESS = 3007
    FIRST_BOX, QUANTITY, UNIT, PRICE = 3011, 3017, 3018, 3019
    ADD, UPDATE, DELETE_ITEM, TOTAL, SAVE, PRINT_NOTE = 3020, 3021, 3022, 3023, 3024, 3026
    # print preview
    PREV_PAGE, NEXT_PAGE, COUNTER, CONFIRM, CANCEL = 101, 102, 103, 1, 2
    # finance window and form dialog
    FINANCE = 2010
    SWITCHER, SECTION, FIN_LIST, FIN_TITLE, FIN_STATUS = 10, 20, 50, 60, 90
    HEADER, ADD_LINE, EDIT_LINE, DELETE_LINE, SAVE_VOUCHER, CLEAR_VOUCHER = 70, 71, 72, 73, 74, 75
    REFRESH_VOUCHERS, CREATE_TENANT, REFRESH_SHARDS, ADD_SHARD = 80, 82, 83, 84
    FIELD = 100
    # message box buttons and virtual keys
    OK, YES, NO = 1, 6, 7
    VK_RETURN, VK_ESCAPE, VK_DOWN = 13, 27, 40


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
    # A window or box that is expected gets a generous bound: on a loaded 2-core machine Wine
    # may take many seconds to show one. Waiting longer costs nothing when it comes at once.
    if args[0] in ('wait', 'gone'):
        args = args[:2] + (max(float(args[2]) if len(args) > 2 else 10, 60),) + args[3:]
    elif args[0] == 'msgbox':
        args = ('msgbox', max(float(args[1]) if len(args) > 1 else 10, 30))
    mark = os.path.join(WORK, 'drv.ran')
    env = dict(os.environ, NV_DRIVER_MARK='Z:' + mark.replace('/', '\\'))
    for attempt in range(3):
        if os.path.exists(mark):
            os.remove(mark)
        with open(out_path, 'wb') as out, open(err_path, 'wb') as err:
            code = subprocess.run([WINE, DRIVER] + [str(a) for a in args], stdout=out,
                                  stderr=err, env=env).returncode
        said = open(err_path, 'rb').read().decode(errors='replace')
        # The driver names every failure of its own. A silent one is Wine failing around it
        # (seen rarely on a loaded machine): the call is made again when the driver never ran,
        # or when making it twice changes nothing.
        if code == 0 or 'ui_driver:' in said:
            break
        if os.path.exists(mark) and args[0] not in REPEATABLE:
            break
        print('note: ui_driver %s ended silently with %d; again' % (args, code), flush=True)
    if ok and code != 0:
        seen = ''
        if args[0] == 'wait':  # what the client wrote last, when a window did not come
            try:
                seen = ' app.log ends: ' + ' | '.join(log_text().splitlines()[-6:])
            except OSError:
                pass
        raise AssertionError('ui_driver %s failed (exit %d, %s): %s%s' % (
            args, code, 'after it ran' if os.path.exists(mark) else 'before it ran', said, seen))
    return open(out_path, 'rb').read().decode('utf-8')


REPEATABLE = {'gettext', 'rows', 'items', 'enabled', 'rect', 'colwidths', 'foreground', 'wait',
             'gone', 'msgbox', 'dropped', 'settext', 'select', 'check', 'combo', 'resize'}


def quiet(*cmd):
    return subprocess.run(list(cmd), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode


def rows(cls, list_id):
    out = drv('rows', cls, list_id)
    return [line.split('\t') for line in out.split('\n') if line]


def shot(name):
    if not SCREENSHOTS:
        return
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


class Server(test_server.Server):
    """The reference server with sessions and the demo data, as the client meets it."""

    def __init__(self, data, extra=()):
        super().__init__(data, extra=extra, open_data=False)

    def start(self):
        super().start()
        # The test's own data-service session, beside the client's.
        self.token = self.json('POST', '/api/users/login', {
            'account': 'demo', 'password': 'demo123', 'userType': 'enterprise'})[1]['data'].get(
                'token')

    def sessions(self):
        """The hashes of the data-service sessions the server holds."""
        db = sqlite3.connect(os.path.join(self.data, 'catalog.db'))
        try:
            return [row[0] for row in db.execute('SELECT hash FROM sessions')]
        finally:
            db.close()

    def revoke_all(self):
        db = sqlite3.connect(os.path.join(self.data, 'catalog.db'))
        db.execute('DELETE FROM sessions')
        db.commit()
        db.close()

    def post_note(self, body):
        return self.json('POST', '/api/delivery-notes', body, self.token)[1]

    def notes(self, user=1):
        return self.json('GET', '/api/delivery-notes?userId=%d' % user, token=self.token)[1]['data']


class Client:
    """norvane.exe under Wine; only this process is ever ended, never a user's client."""
    started = []

    def __init__(self, cwd=None, env=None):
        self.proc = subprocess.Popen([WINE, EXE], stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL, cwd=cwd, env=env)
        Client.started.append(self)

    def wait_exit(self):
        self.proc.wait(timeout=60)
        return self.proc.returncode

    @classmethod
    def end_all(cls):
        for client in cls.started:
            if client.proc.poll() is None:
                client.proc.kill()
                client.proc.wait()


def sign_in(password, remember, enterprise=True, account='demo'):
    drv('wait', LOGIN, 20)
    drv('settext', LOGIN, Id.ACCOUNT, account)
    drv('settext', LOGIN, Id.PASSWORD, password)
    drv('combo', LOGIN, Id.TYPE, 1 if enterprise else 0)
    drv('check', LOGIN, Id.REMEMBER, 1 if remember else 0)
    drv('click', LOGIN, Id.SIGN_IN)


def status():
    return drv('gettext', MAIN, Id.STATUS)


def wait_for(fn, what, seconds=30):
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
    # A fresh wineserver, not holding any of our pipes, that stays between the clients the
    # scenarios start.
    quiet(WINE, '--persist')
    quiet(WINE, 'cmd', '/c', 'exit', '0')


def log_text():
    return open(os.path.join(app_dir(), 'app.log'), encoding='utf-8').read()


def fresh_config():
    shutil.rmtree(app_dir(), ignore_errors=True)
    os.makedirs(app_dir())
    with open(os.path.join(app_dir(), 'config.ini'), 'wb') as f:
        f.write(('[app]\r\nserver=http://127.0.0.1:%d\r\n' % PORT).encode('utf-16'))


def loaded():
    wait_for(lambda: re.match(r'共 \d+ 单', status()), 'notes loaded')


def refused_password_is_kept(server):
    drv('wait', LOGIN, 30)
    shot('login-96dpi')
    sign_in('wrong', remember=True)
    wait_for(lambda: drv('gettext', LOGIN, Id.LOGIN_STATUS) == '账号或密码错误', 'refusal')
    check(drv('gettext', LOGIN, Id.PASSWORD) == 'wrong', 'typed password kept')
    check(drv('enabled', LOGIN, Id.ACCOUNT) == '1', 'inputs enabled again')


def remembered_sign_in_writes_the_session(server):
    drv('settext', LOGIN, Id.PASSWORD, 'demo123')
    drv('click', LOGIN, Id.SIGN_IN)
    drv('wait', MAIN, 20)
    loaded()
    keys = ini()
    check(keys.get('session/userId') == '1' and keys.get('session/remember') == '1', keys)
    check(keys.get('session/username') == '李经理', keys)
    check(keys.get('session/company') == '澄岚映辉照明科技有限公司', keys)
    check(keys.get('session/account') == 'demo', keys)
    listed = rows(MAIN, Id.LIST)
    check(len(listed) == 5 and listed[0][0] == 'SHD20261203090500', listed)
    check(listed[0][8] == '¥10670.00' and listed[0][9] == '3', listed[0])
    shot('main-96dpi')


def search_trims_spaces_and_skips_the_date(server):
    drv('settext', MAIN, Id.SEARCH, '  照明  ')
    shown = rows(MAIN, Id.LIST)
    expect = [n for n in server.notes() if any('照明' in n[k] for k in (
        'no', 'customer', 'project', 'address', 'contact', 'contactPhone', 'status'))]
    check([r[0] for r in shown] == [n['no'] for n in expect], (shown, expect))
    total = sum(float(r[8][1:]) for r in shown)
    check(status().startswith('共 %d 单（筛选后）· 合计 ¥%.2f' % (len(shown), total)), status())
    shot('main-filtered-96dpi')
    drv('settext', MAIN, Id.SEARCH, '2026-12-03')
    check(rows(MAIN, Id.LIST) == [], 'date search')
    # Letters alone are pinyin initials of the customer, project or address too.
    drv('settext', MAIN, Id.SEARCH, 'GZTH')
    expect = [n['no'] for n in server.notes() if any('广州天河' in n[k] for k in (
        'customer', 'project', 'address'))]
    check(expect and [r[0] for r in rows(MAIN, Id.LIST)] == expect, rows(MAIN, Id.LIST))
    shot('main-pinyin-96dpi')
    drv('settext', MAIN, Id.SEARCH, '')


def failed_refresh_keeps_the_rows(server):
    server.stop()
    drv('command', MAIN, Id.REFRESH)
    box = drv('msgbox', 20)
    check(box.startswith('读取送货单失败\n读取送货单失败：'), box)
    check(status().startswith('读取失败：读取送货单失败：'), status())
    check(len(rows(MAIN, Id.LIST)) == 5, 'rows kept')
    drv('msgbox-click', Id.OK)
    server.start()
    drv('command', MAIN, Id.REFRESH)
    loaded()


def the_editor_proposes_customers_and_products(server):
    # Initials typed in the customer box propose the customers of the loaded notes; taking one
    # fills the boxes still empty from its latest note; the product box fills the price this
    # customer last paid.
    shop = '广州天河灯饰批发中心'
    mine = sorted((n for n in server.notes() if n['customer'] == shop),
                  key=lambda n: (n['date'], n['id']), reverse=True)
    latest_item = mine[0]['items'][0]
    drv('command', MAIN, Id.NEW)
    drv('wait', EDIT, 10)
    drv('settext', EDIT, Id.ADDRESS, '我填的地址')  # typed first: kept
    drv('settext', EDIT, Id.CUSTOMER, 'gz')
    wait_for(lambda: drv('proposals').split('\n')[0] == shop, 'customers proposed')
    shot('editor-proposals-96dpi')
    drv('key', EDIT, Id.CUSTOMER, Id.VK_DOWN)
    check(drv('proposals').startswith('> ' + shop), drv('proposals'))
    drv('key', EDIT, Id.CUSTOMER, Id.VK_RETURN)  # takes the entry, saves nothing
    wait_for(lambda: drv('gettext', EDIT, Id.CUSTOMER) == shop, 'customer taken')
    check(drv('proposals') == '', 'the list closes')
    check(drv('gettext', EDIT, Id.PROJECT) == mine[0]['project'], 'project filled')
    check(drv('gettext', EDIT, Id.ADDRESS) == '我填的地址', 'typed address kept')
    check(quiet(WINE, DRIVER, 'wait', EDIT, '0') == 0, 'Enter in the open list did not save')
    drv('settext', EDIT, Id.FIRST_BOX, latest_item['product'])
    wait_for(lambda: drv('proposals') != '', 'products proposed')
    entries = drv('proposals').split('\n')
    for _ in range(entries.index(latest_item['product']) + 1):
        drv('key', EDIT, Id.FIRST_BOX, Id.VK_DOWN)
    drv('key', EDIT, Id.FIRST_BOX, Id.VK_RETURN)
    wait_for(lambda: drv('gettext', EDIT, Id.PRICE) == '%.2f' % latest_item['price'],
             'the price %s last paid: %s' % (latest_item['price'], drv('gettext', EDIT, Id.PRICE)))
    check(drv('gettext', EDIT, Id.UNIT) == latest_item['unit'], 'unit filled')
    check(drv('gettext', EDIT, Id.QUANTITY) == '', 'quantity left empty')
    drv('settext', EDIT, Id.CUSTOMER, '广州')
    wait_for(lambda: drv('proposals') != '', 'proposed again')
    drv('key', EDIT, Id.CUSTOMER, Id.VK_ESCAPE)  # closes the list, keeps the text and the editor
    wait_for(lambda: drv('proposals') == '', 'Esc closes the list')
    check(drv('gettext', EDIT, Id.CUSTOMER) == '广州', 'typed text kept')
    drv('key', EDIT, Id.CUSTOMER, Id.VK_ESCAPE)
    drv('gone', EDIT, 10)


def fill_input_row(texts):
    for box_id, text in zip(range(Id.FIRST_BOX, Id.FIRST_BOX + 9), texts):
        drv('settext', EDIT, box_id, text)


def total_is(text, what):
    wait_for(lambda: drv('gettext', EDIT, Id.TOTAL) == text, what)


def new_note_is_saved_and_listed(server):
    today = datetime.date.today().strftime('%Y-%m-%d')
    drv('command', MAIN, Id.NEW)
    drv('wait', EDIT, 10)
    number = drv('gettext', EDIT, Id.NUMBER)
    check(re.fullmatch(r'SHD' + today.replace('-', '') + r'\d{6}', number), number)
    check(drv('enabled', EDIT, Id.NUMBER) == '1', 'new number editable')
    drv('settext', EDIT, Id.CUSTOMER, 'E2E 照明客户')
    drv('settext', EDIT, Id.PROJECT, '测试项目')
    fill_input_row(['LED灯带', 'NV-1', '5m', '12W', '单亮', '无', '2.5', '', '35'])
    drv('click', EDIT, Id.ADD)
    total_is('合计：¥87.50', 'total after add')
    items = rows(EDIT, Id.ITEMS)
    check(items == [['LED灯带', 'NV-1', '5m', '12W', '单亮', '无', '2.50', '个', '35.00',
                     '87.50']], items)
    check(drv('gettext', EDIT, Id.UNIT) == '个', 'input row cleared')
    fill_input_row(['感应灯管', 'T8', '1.2m', '18W', '双亮', '雷达', '3abc', '支', '10'])
    drv('click', EDIT, Id.ADD)
    total_is('合计：¥117.50', 'total of two')
    drv('settext', EDIT, Id.FIRST_BOX, '坏数量')
    drv('settext', EDIT, Id.QUANTITY, '0x10')  # the rules themselves are unit-tested
    drv('click', EDIT, Id.ADD)
    check(drv('msgbox') == '提示\n数量必须大于 0', 'quantity refused')
    drv('msgbox-click', Id.OK)
    drv('select', EDIT, Id.ITEMS, 0)
    fill_input_row(['LED灯带', 'NV-1', '5m', '12W', '单亮', '无', '4', '卷', '35'])
    drv('click', EDIT, Id.UPDATE)
    total_is('合计：¥170.00', 'total after update')
    shot('editor-96dpi')
    drv('select', EDIT, Id.ITEMS, 1)
    drv('click', EDIT, Id.DELETE_ITEM)
    total_is('合计：¥140.00', 'total after delete')
    drv('click', EDIT, Id.SAVE)
    drv('gone', EDIT, 15)
    wait_for(lambda: rows(MAIN, Id.LIST) and rows(MAIN, Id.LIST)[0][1] == 'E2E 照明客户',
             'listed')
    first = rows(MAIN, Id.LIST)[0]
    check(first[0] == number and first[6] == today and first[8] == '¥140.00', first)
    stored = [n for n in server.notes() if n['no'] == number]
    check(len(stored) == 1 and stored[0]['items'][0]['unit'] == '卷', stored)
    return number


def enter_in_an_open_drop_down_takes_the_entry(server):
    # Enter while the status list is open takes the highlighted entry and closes the list;
    # it never saves or closes the editor.
    drv('select', MAIN, Id.LIST, 0)
    drv('command', MAIN, Id.EDIT)
    drv('wait', EDIT, 10)
    before = drv('gettext', EDIT, Id.NOTE_STATUS)
    drv('dropdown', EDIT, Id.NOTE_STATUS, 1)
    wait_for(lambda: drv('dropped', EDIT, Id.NOTE_STATUS) == '1', 'list open')
    drv('key', EDIT, Id.NOTE_STATUS, Id.VK_DOWN if before == '待送达' else 38)
    drv('key', EDIT, Id.NOTE_STATUS, Id.VK_RETURN)
    wait_for(lambda: drv('dropped', EDIT, Id.NOTE_STATUS) == '0', 'list closed by Enter')
    after = drv('gettext', EDIT, Id.NOTE_STATUS)
    check(after != before and after in ('待送达', '已送达'), (before, after))
    check(quiet(WINE, DRIVER, 'wait', EDIT, '0') == 0, 'editor still open')
    drv('key', EDIT, Id.CUSTOMER, Id.VK_ESCAPE)
    drv('gone', EDIT, 10)


def escape_closes_an_existing_note_unsaved(server, number):
    drv('select', MAIN, Id.LIST, 0)
    drv('command', MAIN, Id.EDIT)
    drv('wait', EDIT, 10)
    check(drv('enabled', EDIT, Id.NUMBER) == '0', 'number edit disabled')
    drv('settext', EDIT, Id.CUSTOMER, '不应保存')
    drv('key', EDIT, Id.CUSTOMER, Id.VK_ESCAPE)
    drv('gone', EDIT, 10)
    check([n['customer'] for n in server.notes() if n['no'] == number] == ['E2E 照明客户'],
          'escape saved nothing')


def keyboard_context_menu_acts_on_the_selected_note(server):
    # Shift+F10 / the Menu key: the menu is for the selected row, not the one below it, and
    # the last row offers the full menu.
    listed = rows(MAIN, Id.LIST)
    for row in (1, len(listed) - 1):
        drv('select', MAIN, Id.LIST, row)
        drv('contextmenu', MAIN, Id.LIST)
        drv('menu-keys', Id.VK_DOWN, Id.VK_RETURN)  # the first entry: 编辑(&E)
        drv('wait', EDIT, 10)
        number = drv('gettext', EDIT, Id.NUMBER)
        check(number == listed[row][0], 'row %d: editor for %s, selected %s' % (
            row, number, listed[row][0]))
        drv('key', EDIT, Id.CUSTOMER, Id.VK_ESCAPE)
        drv('gone', EDIT, 10)


def delete_asks_then_removes(server, number):
    drv('select', MAIN, Id.LIST, 0)
    drv('command', MAIN, Id.DELETE)
    box = drv('msgbox')
    check(box == '删除确认\n确定删除送货单 %s（E2E 照明客户）？\n此操作不可恢复。' % number, box)
    drv('msgbox-click', Id.YES)
    wait_for(lambda: len(rows(MAIN, Id.LIST)) == 5, 'row removed')
    check(not [n for n in server.notes() if n['no'] == number], 'deleted on the server')


def sign_out_empties_list_and_session(server):
    drv('command', MAIN, Id.SIGN_OUT)
    drv('wait', LOGIN, 15)
    check(rows(MAIN, Id.LIST) == [], 'list emptied')
    keys = ini()
    check(keys.get('session/remember') == '0' and keys.get('session/userId') == '' and
          keys.get('session/username') == '' and keys.get('session/company') == '', keys)
    check(keys.get('session/account') == 'demo', keys)
    check(drv('gettext', LOGIN, Id.ACCOUNT) == 'demo', 'account pre-filled')
    check(drv('enabled', MAIN, 0) == '0', 'main window disabled while signing in')
    sign_in('demo123', remember=True)
    loaded()


def fin_api(path, body=None, port=None, account='demo', kind='enterprise'):
    """The finance service as the server holds it, read with a token of its own."""
    base = 'http://127.0.0.1:%d/api/v1/native' % (port or PORT)
    req = urllib.request.Request(base + '/login', method='POST', data=json.dumps(
        {'account': account, 'password': 'demo123', 'userType': kind}).encode())
    token = json.load(urllib.request.urlopen(req))['data']['token']
    req = urllib.request.Request(base + path, headers={'Authorization': 'Bearer ' + token},
                                 data=None if body is None else json.dumps(body).encode())
    return json.load(urllib.request.urlopen(req))


def fin_status():
    return drv('gettext', FIN, Id.FIN_STATUS)


def form(title, values, ok=True):
    """Fills the open form dialog titled `title` (values by field; None leaves one) and confirms."""
    drv('wait', FORM, 15)
    check(drv('gettext', FORM, 0) == title, 'form %s' % title)
    for i, value in enumerate(values):
        if value is not None:
            drv('settext', FORM, Id.FIELD + i, value)
    if ok:
        drv('click', FORM, Id.OK)


def refused_in_form(message):
    check(drv('msgbox') == '未完成\n' + message, 'form refuses with ' + message)
    drv('msgbox-click', Id.OK)


def finance_window_opens_at_its_size(server):
    # This client started from a remembered session, which signs in to nothing else: the
    # finance window asks for its own sign-in first.
    drv('command', MAIN, Id.FINANCE)
    form('财务服务登录', ['demo', 'wrong', None])
    check(drv('msgbox') == '请求失败\n账号或密码错误', 'the service says why')
    # The form's check is still running: the form takes no input and outlives a posted cancel.
    check(drv('enabled', FORM, 0) == '0', 'form disabled while its check runs')
    drv('click', FORM, Id.CANCEL)
    drv('close', FORM)
    drv('msgbox-click', Id.OK)
    refused_in_form('请检查账号密码或数据服务连接后重试')
    check(drv('enabled', FORM, 0) == '1', 'form enabled again')
    form('财务服务登录', [None, 'demo123', 'enterprise'])
    drv('wait', FIN, 20)
    wait_for(lambda: drv('items', FIN, Id.SWITCHER) ==
             'CLYH-01 · 澄岚映辉照明主账套\nCLYH-DG · 澄岚映辉东莞分公司\n', 'tenant switcher')
    check(drv('gettext', FIN, 0) == '澄岚映辉 · 财务管理', 'title')
    check(drv('enabled', MAIN, 0) == '0', 'main window disabled meanwhile')
    left, top, right, bottom = map(int, drv('rect', FIN).split())
    check((right - left, bottom - top) == (1080, 780), (left, top, right, bottom))
    drv('resize', FIN, 600, 400)
    left, top, right, bottom = map(int, drv('rect', FIN).split())
    check((right - left, bottom - top) == (1000, 720), 'minimum size %s' % ((right - left, bottom - top),))
    drv('resize', FIN, 1080, 780)
    check(fin_status() == '澄岚映辉照明主账套 | 借方 0.00 / 贷方 0.00 · 借贷平衡', fin_status())
    shot('finance-voucher-96dpi')


def balanced_voucher_is_saved_in_exact_cents(server):
    today = datetime.date.today().strftime('%Y-%m-%d')
    drv('click', FIN, Id.HEADER)
    form('凭证信息', ['E2E-001', '2023-02-29', 'E2E 摘要'])
    refused_in_form('请输入有效日期')
    shot('finance-form-96dpi')
    form('凭证信息', [None, today, None])
    drv('gone', FORM, 10)
    check(drv('gettext', FIN, Id.FIN_TITLE) ==
          '凭证号：E2E-001    日期：%s    摘要：E2E 摘要' % today, 'header text')
    drv('click', FIN, Id.ADD_LINE)
    form('新增分录', ['收款', '1001', '1234.56', None])
    drv('gone', FORM, 10)
    drv('click', FIN, Id.ADD_LINE)
    form('新增分录', ['存入', '1002', '0', '1234.555'])
    refused_in_form('每行只填写借方或贷方正金额，最多两位小数')
    form('新增分录', [None, None, None, '1234.55'])
    drv('gone', FORM, 10)
    lines = rows(FIN, Id.FIN_LIST)
    check(lines == [['1', '收款', '1001 库存现金', '1234.56', '0.00'],
                    ['2', '存入', '1002 银行存款', '0.00', '1234.55']], lines)
    check(fin_status().endswith('借方 1234.56 / 贷方 1234.55 · 借贷不平衡'), fin_status())
    drv('click', FIN, Id.SAVE_VOUCHER)
    check(drv('msgbox') == '提示\n借贷不平衡，不能保存', 'unbalanced refused')
    drv('msgbox-click', Id.OK)
    stored = fin_api('/tenants/1/vouchers')['data']
    check(all(v['voucherNo'] != 'E2E-001' for v in stored), 'nothing stored')
    drv('select', FIN, Id.FIN_LIST, 1)
    drv('click', FIN, Id.EDIT_LINE)
    form('修改分录', [None, None, None, '1234.56'])
    drv('gone', FORM, 10)
    check(fin_status().endswith('借方 1234.56 / 贷方 1234.56 · 借贷平衡'), fin_status())
    drv('click', FIN, Id.SAVE_VOUCHER)
    wait_for(lambda: fin_status() ==
             '凭证已保存到租户「澄岚映辉照明主账套」的分片库，可在“最近凭证”查看。', 'saved')
    check(rows(FIN, Id.FIN_LIST) == [], 'lines emptied')
    saved = [v for v in fin_api('/tenants/1/vouchers')['data'] if v['voucherNo'] == 'E2E-001']
    check(len(saved) == 1, saved)
    # The service keeps cents; its answer writes them with two decimals.
    check([(l['account'], l['debit'], l['credit']) for l in saved[0]['lines']] ==
          [('1001 库存现金', 1234.56, 0), ('1002 银行存款', 0, 1234.56)], saved[0]['lines'])
    check(saved[0]['date'] == today and saved[0]['summary'] == 'E2E 摘要', saved[0])
    import glob
    import sqlite3
    stored = []
    for shard in glob.glob(os.path.join(server.data, 'shards', '*.db')):
        with sqlite3.connect(shard) as db:
            stored += db.execute(
                'SELECT l.debit, l.credit, v.total_debit FROM voucher_lines l JOIN vouchers v '
                "ON v.id = l.voucher_id WHERE v.voucher_no = 'E2E-001' ORDER BY l.pos").fetchall()
    check(stored == [(123456, 0, 123456), (0, 123456, 123456)], 'cents stored %s' % stored)


def recent_list_shows_the_saved_voucher(server):
    drv('click', FIN, Id.SECTION + 1)
    wait_for(lambda: rows(FIN, Id.FIN_LIST) and rows(FIN, Id.FIN_LIST)[0][0] == 'E2E-001',
             'recent list')
    first = rows(FIN, Id.FIN_LIST)[0]
    check(first[2:] == ['E2E 摘要', '1234.56', '1234.56'], first)
    shot('finance-recent-96dpi')
    drv('select', FIN, Id.FIN_LIST, 0)
    drv('dblclick', FIN, Id.FIN_LIST)
    detail = drv('msgbox')
    check(detail.startswith('凭证明细\nE2E-001  ') and
          '收款 | 1001 库存现金 | 借 1234.56 | 贷 0.00' in detail and
          '存入 | 1002 银行存款 | 借 0.00 | 贷 1234.56' in detail, detail)
    drv('msgbox-click', Id.OK)


def administrator_creates_a_tenant_and_a_shard(server):
    drv('click', FIN, Id.SECTION + 2)
    wait_for(lambda: len(rows(FIN, Id.FIN_LIST)) == 2, 'tenant rows')
    check(drv('enabled', FIN, Id.CREATE_TENANT) == '1', 'create enabled for an administrator')
    drv('click', FIN, Id.CREATE_TENANT)
    form('创建并分配租户', ['E2E 新租户', 'E2E-T'])
    drv('gone', FORM, 10)
    wait_for(lambda: any(r[0] == 'E2E-T' for r in rows(FIN, Id.FIN_LIST)), 'new tenant listed')
    check(any(t['code'] == 'E2E-T' for t in fin_api('/tenants')['data']), 'server holds it')
    check('E2E-T · E2E 新租户' in drv('items', FIN, Id.SWITCHER), 'switcher refilled')
    shot('finance-tenants-96dpi')
    drv('click', FIN, Id.SECTION + 3)
    wait_for(lambda: len(rows(FIN, Id.FIN_LIST)) >= 1, 'shard rows')
    before = len(fin_api('/shards')['data'])
    check(len(rows(FIN, Id.FIN_LIST)) == before, 'every shard listed')
    drv('click', FIN, Id.ADD_SHARD)
    check(drv('msgbox') == '分片扩容\n确定创建一个新分片并初始化数据库？', 'asked first')
    drv('msgbox-click', Id.YES)
    wait_for(lambda: len(rows(FIN, Id.FIN_LIST)) == before + 1, 'shard added')
    check(len(fin_api('/shards')['data']) == before + 1, 'server holds the shard')
    shot('finance-shards-96dpi')
    drv('close', FIN)
    drv('gone', FIN, 10)
    check(drv('enabled', MAIN, 0) == '1', 'main window enabled again')




def refused_token_brings_back_the_finance_login(server):
    drv('command', MAIN, Id.FINANCE)
    drv('wait', FIN, 20)  # the session from the main sign-in is still valid: no dialog
    wait_for(lambda: rows(FIN, Id.FIN_LIST) == [] and fin_status().startswith('澄岚映辉照明主账套'),
             'voucher section')
    import sqlite3
    with sqlite3.connect(os.path.join(server.data, 'catalog.db')) as db:
        db.execute('DELETE FROM tokens')
    drv('click', FIN, Id.SECTION + 1)
    box = drv('msgbox')
    check(box.startswith('请求失败\n'), box)
    drv('msgbox-click', Id.OK)
    # The draft is worked on without the service; the next action that needs it asks for the
    # finance sign-in, then goes on with the tenant in use and the draft as it was.
    drv('click', FIN, Id.SECTION)
    drv('click', FIN, Id.HEADER)
    form('凭证信息', [None, None, '会话过期后'])
    drv('gone', FORM, 10)
    drv('click', FIN, Id.SECTION + 1)
    form('财务服务登录', ['demo', 'demo123', 'enterprise'], ok=False)
    shot('finance-login-96dpi')
    drv('click', FORM, Id.OK)
    drv('gone', FORM, 10)
    wait_for(lambda: rows(FIN, Id.FIN_LIST) and rows(FIN, Id.FIN_LIST)[0][0] == 'E2E-001',
             'recent list after signing in again')
    check(fin_status() == '当前租户：澄岚映辉照明主账套', fin_status())
    drv('click', FIN, Id.SECTION)
    check(drv('gettext', FIN, Id.FIN_TITLE).endswith('摘要：会话过期后'), 'draft kept')
    drv('click', FIN, Id.CLEAR_VOUCHER)
    check(drv('msgbox') == '未保存凭证\n当前凭证尚未保存，确定放弃这些修改？', 'clear asks')
    drv('msgbox-click', Id.YES)
    drv('close', FIN)
    drv('gone', FIN, 10)




def sign_out_clears_the_finance_session(server):
    # A finance service of its own, which can be stopped: after sign-out and a sign-in while it
    # is down, the finance window must ask for its sign-in again although the old token would
    # still be accepted once the service is back.
    finance = Server(os.path.join(WORK, 'finance-data'))
    drv('close', MAIN)
    Client.started[-1].wait_exit()
    with open(os.path.join(app_dir(), 'config.ini'), 'rb') as f:
        text = f.read().decode('utf-16')
    text = text.replace('[app]\r\n', '[app]\r\nfinanceServer=http://127.0.0.1:%d/\r\n' %
                        finance.port, 1)
    with open(os.path.join(app_dir(), 'config.ini'), 'wb') as f:
        f.write(text.encode('utf-16'))
    try:
        Client()
        drv('wait', MAIN, 30)
        loaded()
        drv('command', MAIN, Id.SIGN_OUT)
        sign_in('demo123', remember=True)  # silent finance sign-in of the remembered session
        loaded()
        drv('command', MAIN, Id.FINANCE)
        drv('wait', FIN, 20)  # signed in silently: no dialog
        drv('close', FIN)
        drv('gone', FIN, 10)
        finance.stop()
        drv('command', MAIN, Id.SIGN_OUT)
        sign_in('demo123', remember=True)  # the silent finance sign-in fails now
        loaded()
        finance.start()
        drv('command', MAIN, Id.FINANCE)
        form('财务服务登录', [], ok=False)
        drv('click', FORM, 2)
        drv('gone', FORM, 10)
        check(quiet(WINE, DRIVER, 'wait', FIN, '1') != 0, 'no finance window after cancel')
    finally:
        finance.stop()
        with open(os.path.join(app_dir(), 'config.ini'), 'rb') as f:
            text = f.read().decode('utf-16')
        text = re.sub(r'financeServer=[^\r\n]*\r\n', '', text)
        with open(os.path.join(app_dir(), 'config.ini'), 'wb') as f:
            f.write(text.encode('utf-16'))


def finance_at_144_dpi():
    drv('command', MAIN, Id.FINANCE)  # a remembered session signs in to nothing else
    form('财务服务登录', ['demo', 'demo123', 'enterprise'], ok=False)
    shot('finance-login-144dpi')
    drv('click', FORM, Id.OK)
    drv('wait', FIN, 20)
    wait_for(lambda: drv('items', FIN, Id.SWITCHER).startswith('CLYH-01'), 'tenants at 144 DPI')
    left, top, right, bottom = map(int, drv('rect', FIN).split())
    check((right - left, bottom - top) == (1620, 1170), (left, top, right, bottom))
    drv('resize', FIN, 800, 600)
    left, top, right, bottom = map(int, drv('rect', FIN).split())
    check((right - left, bottom - top) == (1500, 1080), 'minimum at 144 DPI')
    drv('resize', FIN, 1620, 1170)
    # Every list of the window has its 96-DPI column widths times 1.5, scaled once.
    widths = {0: [50, 280, 280, 150, 150], 1: [130, 120, 300, 150, 150], 2: [220, 440, 160],
              3: [100, 240, 160, 160, 180]}
    for section, expected in widths.items():
        drv('click', FIN, Id.SECTION + section)
        wait_for(lambda: drv('colwidths', FIN, Id.FIN_LIST) ==
                 ' '.join(str(w * 3 // 2) for w in expected),
                 'column widths of section %d at 144 DPI: %s' % (
                     section, drv('colwidths', FIN, Id.FIN_LIST)))
    if SCREENSHOTS:  # a voucher with both columns filled, then every section
        drv('click', FIN, Id.SECTION)
        drv('click', FIN, Id.ADD_LINE)
        form('新增分录', ['收款', '1001', '88.80', None])
        drv('gone', FORM, 10)
        drv('click', FIN, Id.ADD_LINE)
        form('新增分录', ['存入', '1002', None, '88.80'], ok=False)
        shot('finance-form-144dpi')
        drv('click', FORM, Id.OK)
        drv('gone', FORM, 10)
        shot('finance-voucher-144dpi')
        for section, name in ((1, 'recent'), (2, 'tenants'), (3, 'shards')):
            drv('click', FIN, Id.SECTION + section)
            wait_for(lambda: rows(FIN, Id.FIN_LIST), name + ' rows at 144 DPI')
            shot('finance-%s-144dpi' % name)
        drv('close', FIN)
        drv('msgbox-click', Id.YES)  # the two lines were not saved
    else:
        drv('close', FIN)
    drv('gone', FIN, 10)


def long_note(no, items):
    return {'no': no, 'customer': '打印测试客户', 'project': '打印项目', 'contact': '王工',
            'contactPhone': '13800138000', 'address': '广州市天河区', 'remark': '轻拿轻放',
            'date': '2026-12-06', 'status': '待送达', 'userId': '1',
            'items': [{'product': 'LED灯带%02d' % (i + 1), 'model': 'NV-%d' % i, 'length': '5m',
                       'wattage': '12W', 'brightness': '单亮', 'sensorMode': '无',
                       'quantity': 2, 'unit': '卷', 'price': 10.5} for i in range(items)]}


def pdfs():
    return set(f for f in os.listdir(PRINTED) if f.endswith('.pdf')) if os.path.isdir(PRINTED) \
        else set()


def select_note(no):
    listed = rows(MAIN, Id.LIST)
    row = [r[0] for r in listed].index(no)
    drv('select', MAIN, Id.LIST, row)


def preview_pages_and_cancel(server):
    # 23 items at 11 rows a page: three pages; cancelling prints nothing.
    server.post_note(long_note('SHD-PRINT-23', 23))
    drv('command', MAIN, Id.REFRESH)
    wait_for(lambda: status().startswith('共 6 单'), 'six notes')
    before = pdfs()
    select_note('SHD-PRINT-23')
    drv('command', MAIN, Id.PRINT)
    drv('wait', PREVIEW, 30)
    wait_for(lambda: drv('gettext', PREVIEW, Id.COUNTER) == '第 1 / 3 页', 'first page')
    check(drv('enabled', PREVIEW, Id.PREV_PAGE) == '0', 'no previous page')
    check(drv('enabled', PREVIEW, Id.NEXT_PAGE) == '1', 'a next page')
    shot('preview-first-96dpi')
    drv('click', PREVIEW, Id.NEXT_PAGE)
    drv('click', PREVIEW, Id.NEXT_PAGE)
    wait_for(lambda: drv('gettext', PREVIEW, Id.COUNTER) == '第 3 / 3 页', 'last page')
    check(drv('enabled', PREVIEW, Id.NEXT_PAGE) == '0', 'no next page after the last')
    shot('preview-last-96dpi')
    drv('click', PREVIEW, Id.CANCEL)
    drv('gone', PREVIEW, 10)
    wait_for(lambda: status() == '已取消打印', 'cancelled')
    for close in (lambda: drv('key', PREVIEW, 0, Id.VK_ESCAPE), lambda: drv('close', PREVIEW)):
        drv('command', MAIN, Id.PRINT)  # Esc, then the close box
        drv('wait', PREVIEW, 30)
        close()
        drv('gone', PREVIEW, 10)
    time.sleep(2)
    check(pdfs() == before, 'nothing printed without a confirmation')


def confirmed_print_gives_three_pdf_pages(server):
    before = pdfs()
    select_note('SHD-PRINT-23')
    drv('command', MAIN, Id.PRINT)
    drv('wait', PREVIEW, 30)
    drv('click', PREVIEW, Id.CONFIRM)
    drv('gone', PREVIEW, 10)
    wait_for(lambda: status() == '已发送打印：SHD-PRINT-23（3 页）', 'sent to the printer', 60)
    wait_for(lambda: pdfs() - before, 'the printed PDF', 60)
    new = sorted(pdfs() - before)
    check(len(new) == 1, new)
    pdf = os.path.join(PRINTED, new[0])
    time.sleep(1)
    info = subprocess.run(['pdfinfo', pdf], capture_output=True, text=True).stdout
    check(re.search(r'Pages:\s+3\b', info), info)
    check(re.search(r'Page size:\s+683\.\d+ x 395\.\d+ pts', info), info)
    shutil.copy(pdf, os.path.join(ARTIFACTS, 'printed-23-items.pdf'))
    raster_pages_are_the_preview_bitmaps(server, pdf)
    log = log_text()
    check('native print job: no=SHD-PRINT-23 items=23' in log, 'job line')
    check('native print result: ok=1 pages=3 msg=打印成功' in log, 'result line')


def paging_keeps_esc_and_enter(server):
    # Paged to the end with real clicks, the button that had the focus is disabled; Esc still
    # cancels and Enter still confirms.
    before = pdfs()
    select_note('SHD-PRINT-23')
    for key in (Id.VK_ESCAPE, Id.VK_RETURN):
        drv('command', MAIN, Id.PRINT)
        drv('wait', PREVIEW, 30)
        wait_for(lambda: drv('gettext', PREVIEW, Id.COUNTER) == '第 1 / 3 页', 'first page')
        drv('realclick', PREVIEW, Id.NEXT_PAGE)
        drv('realclick', PREVIEW, Id.NEXT_PAGE)
        wait_for(lambda: drv('gettext', PREVIEW, Id.COUNTER) == '第 3 / 3 页', 'paged to the end')
        drv('realkey', PREVIEW, 0, key)
        drv('gone', PREVIEW, 10)
        if key == Id.VK_ESCAPE:
            wait_for(lambda: status() == '已取消打印', 'Esc cancels after paging')
            check(pdfs() == before, 'nothing printed on Esc')
    wait_for(lambda: status() == '已发送打印：SHD-PRINT-23（3 页）', 'Enter prints after paging', 60)
    wait_for(lambda: pdfs() - before, 'the printed PDF', 60)


def closing_the_preview_keeps_norvane_in_front(server):
    # Another application's window below the client: however the preview closes, the window
    # that opened it is in front again, not that application.
    other = subprocess.Popen([WINE, 'notepad'], stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    try:
        drv('wait', 'Notepad', 30)
        select_note('SHD-PRINT-23')
        for how, close in (('cancel', lambda: drv('click', PREVIEW, Id.CANCEL)),
                           ('Esc', lambda: drv('realkey', PREVIEW, 0, Id.VK_ESCAPE)),
                           ('the close box', lambda: drv('close', PREVIEW))):
            drv('realclick', MAIN, Id.SEARCH)  # Norvane in front, the other window below it
            drv('command', MAIN, Id.PRINT)
            drv('wait', PREVIEW, 30)
            wait_for(lambda: drv('foreground') == PREVIEW, 'the preview in front')
            close()
            drv('gone', PREVIEW, 10)
            wait_for(lambda: drv('foreground') == MAIN,
                     'the main window in front after %s (now %s)' % (how, drv('foreground')), 5)
    finally:
        other.kill()
        other.wait()
        quiet(WINE, 'taskkill', '/im', 'notepad.exe', '/f')


def wine_path(path):
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


def raster_pages_are_the_preview_bitmaps(server, pdf):
    # Raster mode (the default): each page is one 300 ppi image of the printable area, pixel
    # for pixel the bitmap the preview showed, and its Chinese text reads back.
    listing = subprocess.run(['pdfimages', '-list', pdf], capture_output=True, text=True).stdout
    sizes = re.findall(r'^\s*\d+\s+\d+\s+image\s+(\d+)\s+(\d+)', listing, re.M)
    check(sizes == [('2846', '1647')] * 3, listing)
    note = [n for n in server.notes() if n['no'] == 'SHD-PRINT-23'][0]
    note_json, payload = os.path.join(WORK, 'note.json'), os.path.join(WORK, 'payload.txt')
    with open(note_json, 'w', encoding='utf-8') as f:
        json.dump(note, f, ensure_ascii=False)
    subprocess.run([os.path.join(ROOT, 'build', 'native', 'nvdoc'), 'payload', note_json,
                    ini().get('session/company', ''), payload], check=True)
    preview_bmp = os.path.join(WORK, 'preview-1.bmp')
    check(quiet(WINE, os.path.join(ROOT, 'build', 'windows', 'render_preview.exe'),
                wine_path(os.path.join(app_dir(), 'config.ini')), wine_path(payload), '1',
                wine_path(preview_bmp)) == 0, 'preview rendered')
    subprocess.run(['pdfimages', '-png', '-f', '1', '-l', '1', pdf,
                    os.path.join(WORK, 'printed')], check=True)
    diff = subprocess.run(['compare', '-metric', 'AE', os.path.join(WORK, 'printed-000.png'),
                           preview_bmp, 'null:'], capture_output=True, text=True).stderr.strip()
    check(diff == '0', 'printed page 1 differs from the preview in %s pixels' % diff)
    text = subprocess.run(['tesseract', os.path.join(WORK, 'printed-000.png'), '-', '-l',
                           'chi_sim'], capture_output=True, text=True).stdout
    check('澄岚映辉照明科技有限公司' in text and 'SHD-PRINT-23' in text, text)


def print_and_wait_for_pdf(no, pages):
    before = pdfs()
    select_note(no)
    drv('command', MAIN, Id.PRINT)
    drv('wait', PREVIEW, 30)
    drv('click', PREVIEW, Id.CONFIRM)
    drv('gone', PREVIEW, 10)
    wait_for(lambda: status() == '已发送打印：%s（%d 页）' % (no, pages), 'printed %s' % no, 60)
    wait_for(lambda: pdfs() - before, 'the PDF of %s' % no, 60)
    time.sleep(1)
    return os.path.join(PRINTED, sorted(pdfs() - before)[0])


def the_editor_saves_then_prints(server):
    # "打印" saves first; a cancelled preview keeps the editor open, a confirmed one closes it.
    drv('command', MAIN, Id.NEW)
    drv('wait', EDIT, 10)
    number = drv('gettext', EDIT, Id.NUMBER)
    drv('settext', EDIT, Id.CUSTOMER, '编辑器打印客户')
    fill_input_row(['感应灯', 'S1', '', '9W', '单亮', '雷达', '4', '个', '12'])
    drv('click', EDIT, Id.ADD)
    total_is('合计：¥48.00', 'item added')
    drv('click', EDIT, Id.PRINT_NOTE)
    drv('wait', PREVIEW, 30)
    check([n['no'] for n in server.notes() if n['no'] == number] == [number], 'saved first')
    drv('click', PREVIEW, Id.CANCEL)
    drv('gone', PREVIEW, 10)
    check(quiet(WINE, DRIVER, 'wait', EDIT, '0') == 0, 'editor open after a cancelled print')
    before = pdfs()
    drv('click', EDIT, Id.PRINT_NOTE)
    drv('wait', PREVIEW, 30)
    drv('click', PREVIEW, Id.CONFIRM)
    drv('gone', EDIT, 60)
    wait_for(lambda: status().startswith('已发送打印：%s（1 页）' % number) or
             re.match(r'共 \d+ 单', status()), 'printed from the editor', 60)
    wait_for(lambda: pdfs() - before, 'the PDF from the editor', 60)


def restart_with_print_settings(settings):
    """Closes the client, sets keys of section "print" (None removes one) and starts again."""
    drv('close', MAIN)
    Client.started[-1].wait_exit()
    path = os.path.join(app_dir(), 'config.ini')
    text = open(path, 'rb').read().decode('utf-16')
    for key, value in settings.items():
        text = re.sub(r'(?m)^%s=.*\r?\n' % key, '', text)
        if value is not None:
            text = text.replace('[print]\r\n', '[print]\r\n%s=%s\r\n' % (key, value), 1)
    open(path, 'wb').write(text.encode('utf-16'))
    Client()
    drv('wait', MAIN, 30)
    loaded()


def mm_of(points):
    return points * 25.4 / 72


def vector_pages_carry_text_where_the_layout_puts_it(server):
    restart_with_print_settings({'raster': '0'})
    pdf = print_and_wait_for_pdf('SHD-PRINT-23', 3)
    shutil.copy(pdf, os.path.join(ARTIFACTS, 'printed-vector.pdf'))
    pages = [subprocess.run(['pdftotext', '-f', str(n), '-l', str(n), '-layout', pdf, '-'],
                            capture_output=True, text=True).stdout for n in (1, 2, 3)]
    check('澄岚映辉照明科技有限公司' in pages[0] and '单号：SHD-PRINT-23' in pages[0], pages[0])
    check('LED灯带01' in pages[0] and 'LED灯带11' in pages[0] and 'LED灯带12' not in pages[0],
          pages[0])
    check('LED灯带12' in pages[1] and 'LED灯带22' in pages[1], pages[1])
    check('LED灯带23' in pages[2] and '收货人' in pages[2] and '收货人' not in pages[0], pages[2])
    # Landmarks from pdftotext -bbox against the millimetre formulas (within 1 mm): the heading
    # centred between L = 8 and R = 233 mm, the number's left edge at L, the first product
    # centred in its column (19.13 to 53.34 mm).
    html = subprocess.run(['pdftotext', '-f', '1', '-l', '1', '-bbox', pdf, '-'],
                          capture_output=True, text=True).stdout
    words = [(float(a), float(b), float(c), float(d), w) for a, b, c, d, w in re.findall(
        r'xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)<', html)]

    def word(prefix):
        found = [w for w in words if w[4].startswith(prefix)]
        check(found, 'no word %s in %s' % (prefix, [w[4] for w in words][:40]))
        return found[0]
    heading = word('澄岚映辉')
    check(abs(mm_of((heading[0] + heading[2]) / 2) - 120.5) < 1.0, heading)
    number = word('单号')
    check(abs(mm_of(number[0]) - 8.0) < 1.0, number)
    product = word('LED灯带01')
    check(abs(mm_of((product[0] + product[2]) / 2) - (19.13 + 53.34) / 2) < 1.0, product)
    restart_with_print_settings({'raster': None})


def a_missing_printer_fails_the_preview(server):
    restart_with_print_settings({'printer': 'NO SUCH PRINTER'})
    select_note('SHD-PRINT-23')
    drv('command', MAIN, Id.PRINT)
    box = drv('msgbox', 60)
    check(re.fullmatch(r'打印预览失败\n无法打开打印机: NO SUCH PRINTER \(错误 \d+\)', box), box)
    drv('msgbox-click', Id.OK)
    restart_with_print_settings({'printer': 'EPSON LQ-735K'})


def export_to(kind, path):
    """Runs an export through the save dialog; returns the name it proposed."""
    title = {Id.PDF: '导出 PDF · A4 纵向', Id.WORD: '导出 Word · A4 纵向',
             Id.EXCEL: '导出 Excel（当前列表）'}[kind]
    drv('command', MAIN, kind)
    proposed = drv('filedialog', title)
    drv('filedialog', title, wine_path(path))
    return proposed


def ocr_pages(pdf):
    """The text tesseract reads from each page image, enlarged twice for its Chinese model."""
    out = os.path.join(WORK, 'ocr')
    subprocess.run(['pdfimages', '-png', pdf, out], check=True)
    pages = sorted(f for f in os.listdir(WORK) if f.startswith('ocr') and f.endswith('.png'))
    texts = []
    for f in pages:
        page = os.path.join(WORK, f)
        subprocess.run(['convert', page, '-resize', '200%', page], check=True)
        texts.append(subprocess.run(['tesseract', page, '-', '-l', 'chi_sim'],
                                    capture_output=True, text=True).stdout.replace(' ', ''))
        os.remove(page)
    return texts


def export_needs_a_selection(server):
    drv('command', MAIN, Id.REFRESH)  # a refill clears the selection
    loaded()
    drv('command', MAIN, Id.PDF)
    check(drv('msgbox', 20) == '导出\n请先选中一张送货单', 'no selection')
    drv('msgbox-click', Id.OK)


def pdf_export_is_an_a4_document(server):
    note = long_note('SHD/E2E:60', 60)
    note['customer'] = '导出测试客户'
    server.post_note(note)
    drv('command', MAIN, Id.REFRESH)
    wait_for(lambda: 'SHD/E2E:60' in [r[0] for r in rows(MAIN, Id.LIST)], 'listed')
    select_note('SHD/E2E:60')
    path = os.path.join(WORK, 'export-60.pdf')
    proposed = export_to(Id.PDF, path)
    check(proposed == '送货单_SHD_E2E_60', proposed)
    box = drv('msgbox', 60)
    check(box == '导出完成\n已保存 A4 纵向文档：\n' + wine_path(path), box)
    drv('msgbox-click', Id.OK)
    check(status() == '已导出：' + wine_path(path), status())
    check(subprocess.run(['qpdf', '--check', path], capture_output=True).returncode == 0, 'qpdf')
    info = subprocess.run(['pdfinfo', path], capture_output=True, text=True).stdout
    check(re.search(r'Pages:\s+2\b', info) and 'A4' in info, info)
    shutil.copy(path, os.path.join(ARTIFACTS, 'export-60.pdf'))
    subprocess.run(['pdftoppm', '-r', '60', '-png', path,
                    os.path.join(ARTIFACTS, 'export-page')], check=True)
    texts = ocr_pages(path)
    check('澄岚映辉照明科技有限公司' in texts[0] and '送货单' in texts[0], texts[0])
    check('E2E:60' in texts[0] and '导出测试客户' in texts[0], texts[0])
    check('送货单' in texts[1] and '续页' in texts[1], texts[1])
    check(not [f for f in os.listdir(WORK) if '.nv-export-' in f], 'no temporary file left')


def word_export_is_a_docx_of_the_note(server):
    # LibreOffice reads this writer's documents in nvdoc_readers.sh; here the client's own
    # export must be that document.
    select_note('SHD/E2E:60')
    path = os.path.join(WORK, 'export-60.docx')
    export_to(Id.WORD, path)
    check(drv('msgbox', 60).startswith('导出完成'), 'word exported')
    drv('msgbox-click', Id.OK)
    with zipfile.ZipFile(path) as docx:
        body = docx.read('word/document.xml').decode('utf-8')
    check('导出测试客户' in body and 'SHD/E2E:60' in body and 'LED灯带60' in body, body[:400])


def cancelled_export_writes_nothing(server):
    before = set(os.listdir(WORK))
    select_note('SHD/E2E:60')
    drv('command', MAIN, Id.PDF)
    drv('filedialog-cancel', '导出 PDF · A4 纵向')
    time.sleep(2)
    check(set(os.listdir(WORK)) == before, 'nothing written')
    check(quiet(WINE, DRIVER, 'msgbox', '1') != 0, 'nothing shown')


def excel_export_is_the_listed_notes(server):
    # The list as the search leaves it, a row per item line and a row per note; an empty list
    # writes nothing; a destination that cannot be replaced stays as it was.
    import openpyxl
    drv('settext', MAIN, Id.SEARCH, '打印测试客户')
    listed = [r[0] for r in rows(MAIN, Id.LIST)]
    path = os.path.join(WORK, 'list.xlsx')
    proposed = export_to(Id.EXCEL, path)
    check(proposed == '送货单列表_' + datetime.date.today().strftime('%Y%m%d'), proposed)
    check(drv('msgbox', 60) == '导出完成\n已保存 Excel 工作簿：\n' + wine_path(path), 'exported')
    drv('msgbox-click', Id.OK)
    book = openpyxl.load_workbook(path)
    notes = [c.value for c in book['送货单']['A'][1:]]
    check(notes == listed, (notes, listed))
    stored = {n['no']: n for n in server.notes()}
    check(book['明细'].max_row == 1 + sum(len(stored[no]['items']) for no in listed), 'a row a line')
    check(isinstance(book['送货单']['B2'].value, datetime.datetime), 'dates as dates')
    before = set(os.listdir(WORK))
    drv('command', MAIN, Id.EXCEL)
    drv('filedialog-cancel', '导出 Excel（当前列表）')
    time.sleep(1)
    check(set(os.listdir(WORK)) == before, 'a cancelled export writes nothing')
    drv('settext', MAIN, Id.SEARCH, '没有这样的送货单')
    drv('command', MAIN, Id.EXCEL)
    check(drv('msgbox') == '导出\n当前列表没有送货单，未导出', 'an empty list')
    drv('msgbox-click', Id.OK)
    drv('settext', MAIN, Id.SEARCH, '打印测试客户')
    os.chmod(path, 0o444)  # read-only: Windows refuses to replace it
    before = open(path, 'rb').read()
    try:
        export_to(Id.EXCEL, path)
        drv('msgbox-click', Id.YES)  # the save dialog asks before replacing
        box = drv('msgbox', 60)
        check(box.startswith('导出失败\n保存失败'), box)
        drv('msgbox-click', Id.OK)
        check(open(path, 'rb').read() == before, 'the old file stays')
        check(not [f for f in os.listdir(WORK) if '.nv-export-' in f], 'no temporary file left')
    finally:
        os.chmod(path, 0o644)
    drv('settext', MAIN, Id.SEARCH, '')


def the_statement_window_exports_pdf_and_excel(server):
    # A customer and a period: the notes with their sum, exported as an A4 PDF that reads back
    # by OCR and as a workbook; an empty period says so and writes nothing; Esc closes.
    import openpyxl
    shop = '华润中心物业管理处'
    mine = [n for n in server.notes() if n['customer'] == shop and
            '2026-11-01' <= n['date'] <= '2026-11-30']
    drv('command', MAIN, Id.STATEMENT)
    drv('wait', STATEMENT, 30)
    drv('settext', STATEMENT, Id.ST_CUSTOMER, shop)
    drv('setdate', STATEMENT, Id.ST_FROM, '2026-11-01')
    drv('setdate', STATEMENT, Id.ST_TO, '2026-11-30')
    drv('click', STATEMENT, Id.ST_QUERY)
    wait_for(lambda: [r[0] for r in rows(STATEMENT, Id.ST_LIST)] == [n['no'] for n in mine],
             'the notes of the period')
    total = sum(round(float(i['quantity']) * float(i['price']) * 100) for n in mine
                for i in n['items'])
    money = '{:,.2f}'.format(total / 100)
    check(drv('gettext', STATEMENT, Id.ST_SUM) == '共 %d 张送货单 · 合计 ¥%s' % (len(mine), money),
          drv('gettext', STATEMENT, Id.ST_SUM))
    shot('statement-96dpi')
    path = os.path.join(WORK, 'statement.pdf')
    drv('click', STATEMENT, Id.ST_PDF)
    drv('filedialog', '导出对账单 PDF · A4 纵向', wine_path(path))
    check(drv('msgbox', 60) == '导出完成\n已保存 A4 纵向对账单：\n' + wine_path(path), 'pdf')
    drv('msgbox-click', Id.OK)
    check(subprocess.run(['qpdf', '--check', path], capture_output=True).returncode == 0, 'qpdf')
    text = ''.join(ocr_pages(path)).replace('O', '0')
    check(all(n['no'] in text for n in mine) and money in text and '对账单' in text, text[:300])
    book = os.path.join(WORK, 'statement.xlsx')
    drv('click', STATEMENT, Id.ST_EXCEL)
    drv('filedialog', '导出对账单 Excel', wine_path(book))
    check(drv('msgbox', 60).startswith('导出完成'), 'workbook')
    drv('msgbox-click', Id.OK)
    last = [c.value for c in list(openpyxl.load_workbook(book)['送货单'].iter_rows())[-1]]
    check(last[0] == '合计' and abs(last[-1] - total / 100) < 0.001, last)
    os.chmod(book, 0o444)  # a destination that cannot be replaced stays as it was
    kept = open(book, 'rb').read()
    try:
        drv('click', STATEMENT, Id.ST_EXCEL)
        drv('filedialog', '导出对账单 Excel', wine_path(book))
        drv('msgbox-click', Id.YES)  # replace?
        check(drv('msgbox', 60).startswith('导出失败\n保存失败'), 'read-only destination')
        drv('msgbox-click', Id.OK)
        check(open(book, 'rb').read() == kept, 'the old workbook stays')
    finally:
        os.chmod(book, 0o644)
    before = set(os.listdir(WORK))
    drv('key', STATEMENT, Id.ST_LIST, Id.VK_RETURN)  # Enter exports the PDF
    drv('filedialog-cancel', '导出对账单 PDF · A4 纵向')
    time.sleep(1)
    check(set(os.listdir(WORK)) == before, 'a cancelled export writes nothing')
    drv('setdate', STATEMENT, Id.ST_FROM, '2026-10-01')
    drv('setdate', STATEMENT, Id.ST_TO, '2026-10-31')
    drv('click', STATEMENT, Id.ST_QUERY)
    wait_for(lambda: drv('gettext', STATEMENT, Id.ST_SUM) == '所选期间内该客户没有送货单', 'empty')
    drv('click', STATEMENT, Id.ST_PDF)
    check(drv('msgbox') == '对账单\n所选期间内该客户没有送货单，未导出', 'nothing to export')
    drv('msgbox-click', Id.OK)
    check(set(os.listdir(WORK)) == before, 'nothing written for an empty period')
    drv('key', STATEMENT, Id.ST_LIST, Id.VK_ESCAPE)
    drv('gone', STATEMENT, 10)


def close_stores_the_rectangle(client):
    rect = [int(v) for v in drv('rect', MAIN).split()]
    drv('close', MAIN)
    check(client.wait_exit() == 0, 'exit code')
    keys = ini()
    check([int(keys['window/' + k]) for k in ('left', 'top', 'width', 'height')] ==
          [rect[0], rect[1], rect[2] - rect[0], rect[3] - rect[1]], (keys, rect))
    log = log_text()
    check('login ok: 李经理 (1) remember=1' in log and 'notes loaded: 5' in log, log)






def the_remembered_token_is_sealed_and_used(server):
    stored = ini().get('session/token', '')
    check(re.fullmatch(r'[0-9a-f]{130,}', stored), 'a sealed token is remembered: %r' % stored)
    # No 64-digit run of config.ini is a token the server issued.
    text = open(os.path.join(app_dir(), 'config.ini'), 'rb').read().decode('utf-16')
    issued = set(server.sessions())
    plain = [text[i:i + 64] for i in range(len(text) - 63)
             if hashlib.blake2b(text[i:i + 64].encode(), digest_size=32).hexdigest() in issued]
    check(not plain, 'a token in plain text in config.ini')
    # The self-test runs with the remembered session; its lines are as before.
    bin_dir = os.path.join(WORK, 'bin')
    os.makedirs(bin_dir, exist_ok=True)
    shutil.copy(EXE, bin_dir)
    quiet(WINE, os.path.join(bin_dir, 'norvane.exe'), '--selftest')
    lines = open(os.path.join(bin_dir, 'selftest.txt'), encoding='utf-8').read().splitlines()
    check(lines[1].startswith('[1] list: ok=1 msg= count=') and
          '[2] create: ok=1 msg=' in lines and '[5] delete: ok=1 msg=' in lines, lines)


def a_refused_token_keeps_the_note_being_edited(server):
    client = Client()
    drv('wait', MAIN, 30)
    loaded()
    drv('command', MAIN, Id.NEW)
    drv('wait', EDIT, 10)
    number = drv('gettext', EDIT, Id.NUMBER)
    drv('settext', EDIT, Id.CUSTOMER, '会话失效客户')
    fill_input_row(['LED灯带', 'NV-9', '5m', '12W', '单亮', '无', '1', '卷', '20'])
    drv('click', EDIT, Id.ADD)
    server.revoke_all()  # the session ends on the server while the user types
    drv('click', EDIT, Id.SAVE)
    box = drv('msgbox', 20)
    check(box.startswith('需要重新登录\n登录已失效，请重新登录'), box)
    shot('editor-session-refused-96dpi')
    drv('msgbox-click', Id.OK)
    drv('wait', LOGIN, 15)
    keys = ini()
    check(keys.get('session/token') == '' and keys.get('session/userId') == '', keys)
    sign_in('demo123', remember=True)
    drv('gone', LOGIN, 15)
    check(drv('gettext', EDIT, Id.CUSTOMER) == '会话失效客户', 'what was typed is kept')
    check(rows(EDIT, Id.ITEMS)[0][0] == 'LED灯带', 'the item line is kept')
    drv('click', EDIT, Id.SAVE)
    drv('gone', EDIT, 15)
    loaded()
    check(rows(MAIN, Id.LIST)[0][0] == number, 'saved after the new sign-in')
    return client




def sign_out_revokes_the_token(server, client):
    before = server.sessions()
    drv('command', MAIN, Id.SIGN_OUT)
    drv('wait', LOGIN, 15)
    after = server.sessions()
    check(len(after) == len(before) - 1 and set(after) < set(before), (before, after))
    check(ini().get('session/token') == '', 'the token is forgotten')
    drv('close', LOGIN)
    client.wait_exit()




def at_144_dpi():
    # The finance window's size and column widths are checked at 144 DPI; the other windows
    # are only photographed, when screenshots are asked for.
    set_dpi(144)
    client = Client()
    drv('wait', MAIN, 30)
    loaded()
    if SCREENSHOTS:
        shot('main-144dpi')
        drv('select', MAIN, Id.LIST, 0)
        drv('command', MAIN, Id.EDIT)
        drv('wait', EDIT, 10)
        shot('editor-144dpi')
        drv('key', EDIT, Id.CUSTOMER, Id.VK_ESCAPE)
        drv('gone', EDIT, 10)
        drv('command', MAIN, Id.NEW)
        drv('wait', EDIT, 10)
        drv('settext', EDIT, Id.CUSTOMER, 'gz')
        wait_for(lambda: drv('proposals') != '', 'proposals at 144 DPI')
        shot('editor-proposals-144dpi')
        drv('key', EDIT, Id.CUSTOMER, Id.VK_ESCAPE)
        drv('key', EDIT, Id.CUSTOMER, Id.VK_ESCAPE)
        drv('gone', EDIT, 10)
        drv('settext', MAIN, Id.SEARCH, 'gzth')
        shot('main-pinyin-144dpi')
        drv('settext', MAIN, Id.SEARCH, '')
        drv('command', MAIN, Id.STATEMENT)
        drv('wait', STATEMENT, 30)
        drv('settext', STATEMENT, Id.ST_CUSTOMER, '华润中心物业管理处')
        drv('setdate', STATEMENT, Id.ST_FROM, '2026-11-01')
        drv('click', STATEMENT, Id.ST_QUERY)
        shot('statement-144dpi')
        drv('key', STATEMENT, Id.ST_LIST, Id.VK_ESCAPE)
        drv('gone', STATEMENT, 10)
    finance_at_144_dpi()
    if SCREENSHOTS:
        select_note('SHD-PRINT-23')
        drv('command', MAIN, Id.PRINT)
        drv('wait', PREVIEW, 30)
        wait_for(lambda: drv('gettext', PREVIEW, Id.COUNTER) == '第 1 / 3 页', 'preview')
        shot('preview-first-144dpi')
        drv('click', PREVIEW, Id.CANCEL)
        drv('gone', PREVIEW, 10)
    drv('command', MAIN, Id.SIGN_OUT)
    drv('wait', LOGIN, 15)
    shot('login-144dpi')
    drv('close', LOGIN)
    check(client.wait_exit() == 0, 'closing the login window ends the program')


def restart_signed_in():
    client = Client()
    sign_in('demo123', remember=True)
    loaded()
    drv('close', MAIN)
    client.wait_exit()


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    os.makedirs(ARTIFACTS, exist_ok=True)  # printed and exported documents are kept there
    global PORT
    server = Server(os.path.join(WORK, 'data'))
    PORT = server.port
    quiet(WINE, 'cmd', '/c', 'exit', '0')
    set_dpi(96)
    fresh_config()
    state = {}

    def remember(key, value):
        state[key] = value

    # In order: each scenario starts where the one before it left the client.
    scenarios = [
        ('start', lambda: remember('client', Client())),
        ('refused password is kept', lambda: refused_password_is_kept(server)),
        ('remembered sign-in writes the session',
         lambda: remembered_sign_in_writes_the_session(server)),
        ('search trims spaces and skips the date',
         lambda: search_trims_spaces_and_skips_the_date(server)),
        ('failed refresh keeps the rows', lambda: failed_refresh_keeps_the_rows(server)),
        ('the editor proposes customers and products',
         lambda: the_editor_proposes_customers_and_products(server)),
        ('new note is saved and listed',
         lambda: remember('number', new_note_is_saved_and_listed(server))),
        ('Enter in an open drop-down takes the entry',
         lambda: enter_in_an_open_drop_down_takes_the_entry(server)),
        ('Escape closes an existing note unsaved',
         lambda: escape_closes_an_existing_note_unsaved(server, state['number'])),
        ('keyboard context menu acts on the selected note',
         lambda: keyboard_context_menu_acts_on_the_selected_note(server)),
        ('delete asks then removes', lambda: delete_asks_then_removes(server, state['number'])),
        ('preview pages and cancel', lambda: preview_pages_and_cancel(server)),
        ('confirmed print gives three PDF pages',
         lambda: confirmed_print_gives_three_pdf_pages(server)),
        ('paging keeps Esc and Enter', lambda: paging_keeps_esc_and_enter(server)),
        ('closing the preview keeps Norvane in front',
         lambda: closing_the_preview_keeps_norvane_in_front(server)),
        ('the editor saves then prints', lambda: the_editor_saves_then_prints(server)),
        ('vector pages carry text where the layout puts it',
         lambda: vector_pages_carry_text_where_the_layout_puts_it(server)),
        ('a missing printer fails the preview',
         lambda: a_missing_printer_fails_the_preview(server)),
        ('export needs a selection', lambda: export_needs_a_selection(server)),
        ('PDF export is an A4 document', lambda: pdf_export_is_an_a4_document(server)),
        ('Word export is a DOCX of the note', lambda: word_export_is_a_docx_of_the_note(server)),
        ('a cancelled export writes nothing', lambda: cancelled_export_writes_nothing(server)),
        ('the Excel export is the listed notes', lambda: excel_export_is_the_listed_notes(server)),
        ('the statement window exports PDF and Excel',
         lambda: the_statement_window_exports_pdf_and_excel(server)),
        ('the finance window opens at its size', lambda: finance_window_opens_at_its_size(server)),
        ('a balanced voucher is saved in exact cents',
         lambda: balanced_voucher_is_saved_in_exact_cents(server)),
        ('the recent list shows the saved voucher',
         lambda: recent_list_shows_the_saved_voucher(server)),
        ('an administrator creates a tenant and a shard',
         lambda: administrator_creates_a_tenant_and_a_shard(server)),
        ('a refused token brings back the finance login',
         lambda: refused_token_brings_back_the_finance_login(server)),
        ('sign-out clears the finance session', lambda: sign_out_clears_the_finance_session(server)),
        ('sign-out empties list and session', lambda: sign_out_empties_list_and_session(server)),
        ('close stores the rectangle', lambda: close_stores_the_rectangle(Client.started[-1])),
        ('windows at 144 DPI', at_144_dpi),
        ('the remembered token is sealed and used',
         lambda: (restart_signed_in(), the_remembered_token_is_sealed_and_used(server))),
        ('a refused token keeps the note being edited',
         lambda: remember('client', a_refused_token_keeps_the_note_being_edited(server))),
        ('sign-out revokes the token', lambda: sign_out_revokes_the_token(server, state['client'])),
    ]
    scenario = 'start'
    try:
        for scenario, run in scenarios:
            run()
    except AssertionError as e:
        raise AssertionError('%s: %s' % (scenario, e))
    finally:
        set_dpi(96)
        Client.end_all()
        server.stop()
        quiet(WINE, '--stop')
    print('%d checks passed' % checks)


if __name__ == '__main__':
    try:
        main()
    except AssertionError as e:
        print('FAIL after %d checks: %s' % (checks, e))
        sys.exit(1)
