'''The remote devices around the fake BlueZ's adapter, as the radio would show them.

A remote device exists in the world whether or not bluetoothd has an object for it: it is in
range or not, accepts a PIN or refuses pairing, and offers services behind an endpoint. What
outlives a bluetoothd restart (the world, and the bonds bluetoothd keeps on disk) is written
to a state file, so that a restarted fake lists the bonded devices again.
'''

import json
import os

SHORT_UUID_BASE = '-0000-1000-8000-00805f9b34fb'
MAX_UUIDS = 64


def normalize_uuid(text):
    '''A UUID as BlueZ spells it: 128-bit, lower case; 16- and 32-bit forms ("1101",
    "0x1101") are widened on the Bluetooth base UUID. None when it is no UUID.'''
    t = str(text).strip().lower()
    if t.startswith('0x'):
        t = t[2:]
    if len(t) in (4, 8) and all(c in '0123456789abcdef' for c in t):
        return t.rjust(8, '0') + SHORT_UUID_BASE
    parts = t.split('-')
    if [len(p) for p in parts] == [8, 4, 4, 4, 12] and all(c in '0123456789abcdef' for p in parts for c in p):
        return t
    return None


def normalize_address(text):
    '''"AA:BB:CC:DD:EE:FF" in upper case; None when it is no Bluetooth address.'''
    t = str(text).strip().upper()
    parts = t.split(':')
    if len(parts) != 6 or any(len(p) != 2 or any(c not in '0123456789ABCDEF' for c in p) for p in parts):
        return None
    return t


class RemoteDevice:
    '''One device on the air, with what AddRemoteDevice said of it.'''

    # option name -> (attribute, python type, default)
    OPTIONS = {
        'Name': ('name', str, ''),
        'Class': ('device_class', int, 0),
        'UUIDs': ('uuids', list, []),
        'Pin': ('pin', str, '0000'),
        'Endpoint': ('endpoint', str, 'echo'),
        'Paired': ('paired', bool, False),
        'InRange': ('in_range', bool, True),
        'ResolveOnConnect': ('resolve_on_connect', bool, False),
        'Ssp': ('ssp', bool, False),
        'Passkey': ('passkey', int, 123456),
    }

    def __init__(self, address, options):
        self.address = address
        for attribute, _, default in self.OPTIONS.values():
            setattr(self, attribute, list(default) if isinstance(default, list) else default)
        self.apply(options)
        # What bluetoothd learnt of it: its services once resolved, and what our agent said
        # last time the device asked us to pair.
        self.resolved = not self.resolve_on_connect
        self.last_answer = ('', '')
        # What the running bluetoothd holds for it (never saved): its object, the pending Pair,
        # the pending request it made, the profile connection being handed over.
        self.obj = None
        self.pairing = None
        self.request = None
        self.connecting = None

    def apply(self, options):
        '''Takes the options of AddRemoteDevice; ValueError on an unknown or ill-typed one.'''
        for key, value in options.items():
            if key not in self.OPTIONS:
                raise ValueError(f'unknown device option {key!r}')
            attribute, kind, _ = self.OPTIONS[key]
            if kind is list:
                uuids = [normalize_uuid(u) for u in value]
                if None in uuids or len(uuids) > MAX_UUIDS:
                    raise ValueError(f'bad UUIDs {list(value)!r}')
                value = uuids
            elif kind is bool:
                value = bool(value)
            elif kind is int:
                value = int(value)
                if not 0 <= value <= 0xFFFFFFFF:
                    raise ValueError(f'{key} out of range')
            else:
                value = str(value)
            setattr(self, attribute, value)
        if len(self.pin) > 16:
            raise ValueError('a PIN has at most 16 characters')

    @property
    def path_suffix(self):
        return 'dev_' + self.address.replace(':', '_')

    def to_json(self):
        record = {key: getattr(self, attribute) for key, (attribute, _, _) in self.OPTIONS.items()}
        record['Resolved'] = self.resolved
        return record

    @classmethod
    def from_json(cls, address, record):
        resolved = record.pop('Resolved', True)
        device = cls(address, record)
        device.resolved = resolved
        return device


def load_world(path):
    '''The remote devices saved in `path` (none when there is no such file).'''
    if not path or not os.path.exists(path):
        return {}
    with open(path, encoding='utf-8') as f:
        saved = json.load(f)
    return {address: RemoteDevice.from_json(address, record) for address, record in saved.items()}


def save_world(path, remotes):
    '''Writes the remote devices to `path` (atomically: a restart never reads half a file).'''
    if not path:
        return
    temporary = path + '.new'
    with open(temporary, 'w', encoding='utf-8') as f:
        json.dump({a: r.to_json() for a, r in remotes.items()}, f)
    os.replace(temporary, path)
