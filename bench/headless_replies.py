#!/usr/bin/env python3
"""Reply times of "init" and "saves" through the headless page, with a game folder as full as a
long-time player's: the extracted demo disc, a 100 KiB myr.ini, two full memory cards, 50 states
and 20 backup sets. Run by bench/headless_replies.sh inside a Wine session.

usage: headless_replies.py <launcher.exe> <page folder> <demo image> <full card> [requests]
"""
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / 'tests' / 'support'))
from wine_session import until, windows_path  # noqa: E402


class HeadlessLauncher:
    def __init__(self, folder, environment):
        self.output = open(os.path.join(folder, 'wine-output.txt'), 'wb')
        self.process = subprocess.Popen(
            ['wine', os.path.join(folder, 'myr_launcher.exe')], cwd=folder,
            env={**os.environ, 'MYR_LAUNCHER_BROWSER': 'stdio', **environment},
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=self.output)
        self.next_id = 1

    def request(self, command):
        """The command's reply and how long it took, in milliseconds."""
        ident = self.next_id
        self.next_id += 1
        line = json.dumps({'id': ident, 'cmd': command}) + '\n'
        start = time.perf_counter()
        self.process.stdin.write(line.encode())
        self.process.stdin.flush()
        while True:
            answer = self.process.stdout.readline()
            if not answer:
                raise RuntimeError(f'the launcher ended before answering {command}')
            message = json.loads(answer)
            if message.get('id') == ident:
                elapsed = (time.perf_counter() - start) * 1000
                if not message.get('ok'):
                    raise RuntimeError(f'{command}: {message.get("error")}')
                return message['result'], elapsed

    def quit(self):
        self.process.stdin.close()
        self.process.wait(timeout=30)
        self.output.close()


def big_ini():
    lines = ['; kept by hand', '[Display]', 'Scale=2', '[Game]', 'FastLoad=1']
    lines += ['[Notes]'] + [f'Note{i}=a line the player keeps in the file, number {i}' for i in range(2000)]
    text = '\r\n'.join(lines) + '\r\n'
    assert len(text) >= 100 * 1024
    return text


def prepare(folder, launcher, page, card):
    shutil.copy(launcher, folder)
    shutil.copytree(page, os.path.join(folder, 'launcher-ui'))
    with open(os.path.join(folder, 'myr.ini'), 'w', newline='') as ini:
        ini.write(big_ini())
    os.makedirs(os.path.join(folder, 'memcards'))
    for slot in (1, 2):
        shutil.copy(card, os.path.join(folder, 'memcards', f'Mcd00{slot}.ps2'))
    os.makedirs(os.path.join(folder, 'states'))
    for i in range(50):
        with open(os.path.join(folder, 'states', f'slot{i:02}.state'), 'wb') as state:
            state.write(os.urandom(64 * 1024))


def median_of(launcher, command, requests):
    times = []
    for _ in range(requests):
        times.append(launcher.request(command)[1])
    return statistics.median(times), min(times), max(times)


def main():
    launcher_exe, page, image, card = sys.argv[1:5]
    requests = int(sys.argv[5]) if len(sys.argv) > 5 else 100
    with tempfile.TemporaryDirectory(prefix='myr-bench-') as folder:
        prepare(folder, launcher_exe, page, card)
        launcher = HeadlessLauncher(folder, {'MYR_ISO': windows_path(image)})
        try:
            until(lambda: launcher.request('disc')[0].get('discFolder'), 'the demo disc to be extracted', timeout=120)
            launcher.request('backup')
            backups = os.path.join(folder, 'backups')
            [first] = os.listdir(backups)
            for i in range(1, 20):
                shutil.copytree(os.path.join(backups, first), os.path.join(backups, f'2020-01-{i:02}_10-00-00'))

            # The figures mean something only if the launcher sees the folder as filled.
            states = len(launcher.request('init')[0].get('states', []))
            saves = launcher.request('saves')[0]
            card_saves = [len(card.get('saves', [])) for card in saves['cards']]
            if states != 50 or card_saves != [100, 100] or len(saves['backups']) != 20:
                raise RuntimeError(f'the folder is not as filled as meant: {states} states, saves on the cards'
                                   f' {card_saves}, {len(saves["backups"])} backup sets')
            print(f'folder: {states} states, cards with {card_saves} saves, {len(saves["backups"])} backup sets,'
                  f' myr.ini {os.path.getsize(os.path.join(folder, "myr.ini"))} bytes')
            for command in ('init', 'saves'):
                median, low, high = median_of(launcher, command, requests)
                print(f'{command}: median {median:.1f} ms (min {low:.1f}, max {high:.1f}) over {requests} requests')
        finally:
            launcher.quit()


main()
