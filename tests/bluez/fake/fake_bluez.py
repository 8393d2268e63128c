'''A fake bluetoothd for the tests: a python-dbusmock template.

It claims org.bluez on the system bus and publishes the object tree bluetoothd does: the
ObjectManager at /, the agent and profile managers at /org/bluez, the adapter
/org/bluez/hci0 and a Device1 object for each remote device bluetoothd knows of. It calls
back into the clients as bluetoothd does (Agent1 while pairing, Profile1.NewConnection with a
socket when a profile connects), and answers with BlueZ 5.66's error names.

The remote devices are simulated (remote_devices.py); a profile connection's far end is an
echo or a TCP server (profile_links.py). Tests steer the world through org.nimbrel.FakeBlueZ
on /org/bluez.

The control interface (every method fails with org.nimbrel.FakeBlueZ.Error.InvalidArgs on an
unknown device or a bad argument):
  AddRemoteDevice(s address, a{sv} options)   Name s, Class u, UUIDs as, Pin s ("" refuses),
      Endpoint s ("echo", "tcp:HOST:PORT"), Paired b, InRange b, ResolveOnConnect b, Ssp b,
      Passkey u; again for a known address: changes those given
  Leave(s address), Return(s address)         out of range (its links drop) and back
  RequestPin(s address)                       the device asks our default agent to pair
  LastAgentAnswer(s address) -> (s answer, s error)   both "" while pending
  CancelRequest(s address)                    the device gives up: the agent gets Cancel()
  ConnectToUs(s address, s uuid) -> s         "connected" or what went wrong
  SetFault(s name, b on)                      silent:<Method>, profile-taken:<uuid>, no-adapter
  ProfileRecord(s uuid) -> s                  the ServiceRecord registered with that profile
  CallCount() -> u, CallLog() -> as           the calls clients made (not the controller's)

Parameters (JSON, dbusmock's -p): Address, Name, Powered (the adapter at start),
CallTimeoutMs (how long an agent or profile has to answer a call, 25000 by default) and
StateFile (where the world and the bonds are kept across restarts).
'''

import os
import socket
import sys
import time
from xml.etree import ElementTree

import dbus
import dbus.lowlevel
import dbus.service
import dbus.types

from dbusmock import MOCK_IFACE, OBJECT_MANAGER_IFACE, mockobject

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
# pylint: disable=wrong-import-position
from profile_links import EndpointError, Link, open_endpoint  # noqa: E402
from remote_devices import (RemoteDevice, load_world, normalize_address,  # noqa: E402
                            normalize_uuid, save_world)

BUS_NAME = 'org.bluez'
MAIN_OBJ = '/'
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

MANAGER_PATH = '/org/bluez'
ADAPTER_PATH = '/org/bluez/hci0'
AGENT_MANAGER_IFACE = 'org.bluez.AgentManager1'
PROFILE_MANAGER_IFACE = 'org.bluez.ProfileManager1'
ADAPTER_IFACE = 'org.bluez.Adapter1'
DEVICE_IFACE = 'org.bluez.Device1'
AGENT_IFACE = 'org.bluez.Agent1'
PROFILE_IFACE = 'org.bluez.Profile1'
CONTROL_IFACE = 'org.nimbrel.FakeBlueZ'
PROPERTIES_IFACE = dbus.PROPERTIES_IFACE
INTROSPECTABLE_IFACE = 'org.freedesktop.DBus.Introspectable'

CAPABILITIES = ('DisplayOnly', 'DisplayYesNo', 'KeyboardOnly', 'NoInputNoOutput', 'KeyboardDisplay')
# The local services bluetoothd publishes before any profile registers.
ADAPTER_BASE_UUIDS = ['00001800-0000-1000-8000-00805f9b34fb', '00001801-0000-1000-8000-00805f9b34fb',
                      '00001200-0000-1000-8000-00805f9b34fb']


def bluez_error(name, message):
    return dbus.exceptions.DBusException(message, name='org.bluez.Error.' + name)


def bus_error(name, message):
    return dbus.exceptions.DBusException(message, name='org.freedesktop.DBus.Error.' + name)


def control_error(message):
    return dbus.exceptions.DBusException(message, name=CONTROL_IFACE + '.Error.InvalidArgs')


def strings(values):
    return dbus.Array([dbus.String(v) for v in values], signature='s')


def ignore(*_):
    pass


class Agent:
    def __init__(self, sender, path, capability):
        self.sender, self.path, self.capability = sender, path, capability


class Profile:
    def __init__(self, sender, path, uuid, options):
        self.sender, self.path, self.uuid = sender, path, uuid
        self.role = str(options.get('Role', ''))
        self.record = str(options.get('ServiceRecord', ''))

    def serves_outgoing(self):
        return self.role in ('', 'client')

    def serves_incoming(self):
        return self.role in ('', 'server')


class Fake:  # pylint: disable=too-many-instance-attributes,too-many-public-methods
    '''The whole of the fake bluetoothd's state, and what it does.'''

    def __init__(self, root, parameters):
        self.root = root
        self.conn = root.connection
        self.address = normalize_address(parameters.get('Address', '00:1A:7D:DA:71:13')) or '00:1A:7D:DA:71:13'
        self.name = str(parameters.get('Name', 'nimbrel-test'))
        self.powered_at_start = bool(parameters.get('Powered', True))
        self.call_timeout_s = max(0.05, float(parameters.get('CallTimeoutMs', 25000)) / 1000.0)
        self.state_file = str(parameters.get('StateFile', ''))
        self.remotes = load_world(self.state_file)
        self.agents = []            # in registration order
        self.default_agent = None
        self.profiles = []
        self.links = []
        self.discovery_clients = set()
        self.silent = set()         # method names that are never answered
        self.held = []              # the calls left unanswered, kept so that they stay so
        self.taken_uuids = set()    # held by another program (obexd)
        self.control_senders = set()
        self.calls = []             # every call served to a client
        self.rssi_turn = 0
        self.adapter = None

    # ---- objects and properties ----------------------------------------------------------

    def add_object(self, path, interface, props, methods):
        self.root.AddObject(path, interface, dbus.Dictionary(props, signature='sv'), [])
        obj = mockobject.objects[path]
        for iface, fn in methods:
            export(obj, iface, fn)
        export(obj, PROPERTIES_IFACE, PropertyMethods.Get)
        return obj

    def announce_added(self, obj):
        self.root.EmitSignal(OBJECT_MANAGER_IFACE, 'InterfacesAdded', 'oa{sa{sv}}',
                             [dbus.ObjectPath(obj.path), managed_interfaces(obj)])

    def remove_object(self, obj):
        interfaces = list(managed_interfaces(obj).keys())
        self.root.RemoveObject(obj.path)
        self.root.EmitSignal(OBJECT_MANAGER_IFACE, 'InterfacesRemoved', 'oas',
                             [dbus.ObjectPath(obj.path), strings(interfaces)])

    @staticmethod
    def set_props(obj, interface, changes, always=()):
        '''Updates properties and signals those that changed (and those in `always`).'''
        props = obj.props[interface]
        changed = {k: v for k, v in changes.items() if k in always or k not in props or props[k] != v}
        if not changed:
            return
        props.update(changed)
        obj.EmitSignal(PROPERTIES_IFACE, 'PropertiesChanged', 'sa{sv}as',
                       [interface, dbus.Dictionary(changed, signature='sv'), dbus.Array([], signature='s')])

    def save(self):
        save_world(self.state_file, self.remotes)

    # ---- the adapter ---------------------------------------------------------------------

    @property
    def powered(self):
        return self.adapter is not None and bool(self.adapter.props[ADAPTER_IFACE]['Powered'])

    def adapter_uuids(self):
        served = [p.uuid for p in self.profiles if p.serves_incoming()]
        return strings(ADAPTER_BASE_UUIDS + sorted(set(served) - set(ADAPTER_BASE_UUIDS)))

    def add_adapter(self):
        powered = self.powered_at_start
        props = {
            'Address': dbus.String(self.address), 'AddressType': dbus.String('public'),
            'Name': dbus.String(self.name), 'Alias': dbus.String(self.name),
            'Class': dbus.UInt32(0x00010c if powered else 0),
            'Powered': dbus.Boolean(powered), 'PowerState': dbus.String('on' if powered else 'off'),
            'Discoverable': dbus.Boolean(False), 'DiscoverableTimeout': dbus.UInt32(180),
            'Pairable': dbus.Boolean(True), 'PairableTimeout': dbus.UInt32(0),
            'Connectable': dbus.Boolean(True), 'Discovering': dbus.Boolean(False),
            'UUIDs': self.adapter_uuids(), 'Modalias': dbus.String('usb:v1D6Bp0246d0542'),
            'Roles': strings(['central', 'peripheral']),
        }
        self.adapter = self.add_object(ADAPTER_PATH, ADAPTER_IFACE, props, [
            (ADAPTER_IFACE, AdapterMethods.StartDiscovery), (ADAPTER_IFACE, AdapterMethods.StopDiscovery),
            (ADAPTER_IFACE, AdapterMethods.SetDiscoveryFilter), (ADAPTER_IFACE, AdapterMethods.GetDiscoveryFilters),
            (ADAPTER_IFACE, AdapterMethods.RemoveDevice), (PROPERTIES_IFACE, PropertyMethods.SetAdapter)])
        self.announce_added(self.adapter)
        # bluetoothd lists the bonded devices from its storage.
        for remote in self.remotes.values():
            if remote.paired:
                self.ensure_device(remote)

    def remove_adapter(self):
        if self.adapter is None:
            return
        for remote in self.remotes.values():
            self.forget_device_object(remote)
        self.discovery_clients.clear()
        self.remove_object(self.adapter)
        self.adapter = None

    def set_adapter_property(self, name, value):
        writable = {'Alias': dbus.String, 'Powered': dbus.Boolean, 'Discoverable': dbus.Boolean,
                    'DiscoverableTimeout': dbus.UInt32, 'Pairable': dbus.Boolean,
                    'PairableTimeout': dbus.UInt32, 'Connectable': dbus.Boolean}
        check_writable(self.adapter.props[ADAPTER_IFACE], writable, name, value)
        if name == 'Alias':
            self.set_props(self.adapter, ADAPTER_IFACE, {'Alias': dbus.String(value or self.name)})
        elif name == 'Powered':
            self.set_powered(bool(value))
        elif name == 'Discoverable' and value and not self.powered:
            raise bluez_error('NotReady', 'Resource Not Ready')
        else:
            self.set_props(self.adapter, ADAPTER_IFACE, {name: writable[name](value)})

    def set_powered(self, on):
        if on == self.powered:
            return
        if not on:
            self.discovery_clients.clear()
            for remote in self.remotes.values():
                self.cancel_pairing(remote, 'AuthenticationCanceled', 'Authentication Canceled')
                self.drop_link(remote)
            self.set_props(self.adapter, ADAPTER_IFACE, {
                'Discovering': dbus.Boolean(False), 'Discoverable': dbus.Boolean(False)})
        self.set_props(self.adapter, ADAPTER_IFACE, {
            'Powered': dbus.Boolean(on), 'PowerState': dbus.String('on' if on else 'off'),
            'Class': dbus.UInt32(0x00010c if on else 0)})

    def start_discovery(self, sender):
        if not self.powered:
            raise bluez_error('NotReady', 'Resource Not Ready')
        if sender in self.discovery_clients:
            raise bluez_error('InProgress', 'Operation already in progress')
        self.discovery_clients.add(sender)
        self.set_props(self.adapter, ADAPTER_IFACE, {'Discovering': dbus.Boolean(True)})
        for remote in self.remotes.values():
            if remote.in_range:
                self.found(remote)

    def stop_discovery(self, sender):
        if not self.powered:
            raise bluez_error('NotReady', 'Resource Not Ready')
        if sender not in self.discovery_clients:
            raise bluez_error('Failed', 'No discovery started')
        self.end_discovery_of(sender)

    def end_discovery_of(self, sender):
        self.discovery_clients.discard(sender)
        if not self.discovery_clients and self.adapter is not None:
            self.set_props(self.adapter, ADAPTER_IFACE, {'Discovering': dbus.Boolean(False)})

    @property
    def discovering(self):
        return bool(self.discovery_clients) and self.powered

    def found(self, remote):
        '''The inquiry saw `remote`: a new object, or a fresh RSSI on the one it has.'''
        self.rssi_turn += 1
        rssi = dbus.Int16(-45 - self.rssi_turn % 20)
        if remote.obj is None:
            self.ensure_device(remote, {'RSSI': rssi})
        else:
            self.set_props(remote.obj, DEVICE_IFACE, {'RSSI': rssi}, always=('RSSI',))

    def remove_device(self, path):
        remote = self.remote_at(path)
        if remote is None:
            raise bluez_error('DoesNotExist', 'Does Not Exist')
        self.cancel_pairing(remote, 'AuthenticationCanceled', 'Authentication Canceled')
        self.forget_device_object(remote)
        remote.paired = False
        self.save()

    # ---- device objects ------------------------------------------------------------------

    def device_path(self, remote):
        return ADAPTER_PATH + '/' + remote.path_suffix

    def device_props(self, remote):
        props = {
            'Address': dbus.String(remote.address), 'AddressType': dbus.String('public'),
            'Alias': dbus.String(remote.name or remote.address.replace(':', '-')),
            'Paired': dbus.Boolean(remote.paired), 'Bonded': dbus.Boolean(remote.paired),
            'Trusted': dbus.Boolean(False), 'Blocked': dbus.Boolean(False),
            'LegacyPairing': dbus.Boolean(not remote.ssp), 'Connected': dbus.Boolean(False),
            'ServicesResolved': dbus.Boolean(False),
            'UUIDs': strings(remote.uuids if remote.resolved else []),
            'Adapter': dbus.ObjectPath(ADAPTER_PATH),
        }
        if remote.name:
            props['Name'] = dbus.String(remote.name)
        if remote.device_class:
            props['Class'] = dbus.UInt32(remote.device_class)
        return props

    def ensure_device(self, remote, extra=None):
        '''The object of `remote`, made (and announced) when it has none; None without adapter.'''
        if remote.obj is not None or self.adapter is None:
            return remote.obj
        props = self.device_props(remote)
        props.update(extra or {})
        obj = self.add_object(self.device_path(remote), DEVICE_IFACE, props, [
            (DEVICE_IFACE, DeviceMethods.Connect), (DEVICE_IFACE, DeviceMethods.Disconnect),
            (DEVICE_IFACE, DeviceMethods.ConnectProfile), (DEVICE_IFACE, DeviceMethods.DisconnectProfile),
            (DEVICE_IFACE, DeviceMethods.Pair), (DEVICE_IFACE, DeviceMethods.CancelPairing),
            (PROPERTIES_IFACE, PropertyMethods.SetDevice)])
        obj.remote = remote
        remote.obj = obj
        self.announce_added(obj)
        return obj

    def forget_device_object(self, remote):
        if remote.obj is None:
            return
        self.drop_link(remote)
        obj, remote.obj = remote.obj, None
        self.remove_object(obj)

    def refresh_device(self, remote):
        if remote.obj is None:
            return
        props = self.device_props(remote)
        keep = ('Trusted', 'Blocked', 'Connected', 'ServicesResolved', 'Alias')
        self.set_props(remote.obj, DEVICE_IFACE, {k: v for k, v in props.items() if k not in keep})

    def remote_at(self, path):
        for remote in self.remotes.values():
            if remote.obj is not None and remote.obj.path == path:
                return remote
        return None

    def set_device_property(self, remote, name, value):
        writable = {'Alias': dbus.String, 'Trusted': dbus.Boolean, 'Blocked': dbus.Boolean}
        check_writable(remote.obj.props[DEVICE_IFACE], writable, name, value)
        if name == 'Alias':
            value = value or remote.name or remote.address.replace(':', '-')
        if name == 'Blocked' and value:
            self.drop_link(remote)
        self.set_props(remote.obj, DEVICE_IFACE, {name: writable[name](value)})

    # ---- links and profile connections ---------------------------------------------------

    def bring_up(self, remote):
        '''The ACL link is up: Connected, and the services resolved (read now if held back).'''
        changes = {'Connected': dbus.Boolean(True)}
        if not remote.resolved:
            remote.resolved = True
            changes['UUIDs'] = strings(remote.uuids)
            self.save()
        self.set_props(remote.obj, DEVICE_IFACE, changes)
        self.set_props(remote.obj, DEVICE_IFACE, {'ServicesResolved': dbus.Boolean(True)})

    def drop_link(self, remote):
        '''The radio link is gone: its profile connections hang up, the device disconnects.'''
        for link in [l for l in self.links if l.address == remote.address]:
            link.hang_up()
            self.links.remove(link)
        remote.connecting = None
        if remote.obj is not None:
            self.set_props(remote.obj, DEVICE_IFACE, {
                'Connected': dbus.Boolean(False), 'ServicesResolved': dbus.Boolean(False)})

    def reap_links(self):
        for link in [l for l in self.links if not l.is_open]:
            link.hang_up()
            self.links.remove(link)

    def open_link(self, remote, uuid):
        self.reap_links()
        return any(l.address == remote.address and l.uuid == uuid for l in self.links)

    def hand_over(self, profile, remote, uuid, done):
        '''Makes a connection to the device's endpoint and gives the client its socket through
        NewConnection; done(None) once the profile took it, done(error name) otherwise.'''
        try:
            far = open_endpoint(remote.endpoint)
        except EndpointError:
            done('endpoint-unreachable')
            return
        ours, theirs = socket.socketpair()
        fd = dbus.types.UnixFd(theirs.fileno())
        theirs.close()
        token = object()
        remote.connecting = token

        def taken(*_):
            if remote.connecting is not token or remote.obj is None:
                ours.close()       # the link went while the profile was being called
                if far is not None:
                    far.close()
                done(None)
                return
            remote.connecting = None
            self.links.append(Link(remote.address, uuid, ours, far))
            done(None)

        def refused(e):
            if remote.connecting is token:
                remote.connecting = None
            ours.close()
            if far is not None:
                far.close()
            done(e.get_dbus_name() or 'org.freedesktop.DBus.Error.Failed')

        self.conn.call_async(profile.sender, profile.path, PROFILE_IFACE, 'NewConnection', 'oha{sv}',
                             [dbus.ObjectPath(remote.obj.path), fd, dbus.Dictionary({}, signature='sv')],
                             taken, refused, timeout=self.call_timeout_s)

    def connect(self, remote):
        if not self.powered:
            raise bluez_error('NotReady', 'br-connection-adapter-not-powered')
        if not remote.in_range:
            raise bluez_error('Failed', 'br-connection-page-timeout')
        self.bring_up(remote)

    def connect_profile(self, remote, uuid_text, ok, fail):
        if not self.powered:
            raise bluez_error('NotReady', 'br-connection-adapter-not-powered')
        if remote.connecting is not None or remote.pairing is not None:
            raise bluez_error('InProgress', 'br-connection-busy')
        uuid = normalize_uuid(uuid_text)
        if uuid is None:
            raise bluez_error('InvalidArguments', 'br-connection-invalid-argument')
        if not remote.in_range:
            raise bluez_error('Failed', 'br-connection-page-timeout')
        self.bring_up(remote)
        profile = next((p for p in self.profiles if p.uuid == uuid and p.serves_outgoing()), None)
        if uuid not in remote.uuids or profile is None:
            raise bluez_error('NotAvailable', 'br-connection-profile-unavailable')
        if self.open_link(remote, uuid):
            ok()
            return

        def done(error):
            if error is None:
                ok()
            else:
                fail(bluez_error('Failed', 'br-connection-refused'))
        self.hand_over(profile, remote, uuid, done)

    def disconnect_profile(self, remote, uuid_text):
        uuid = normalize_uuid(uuid_text)
        if uuid is None or uuid not in remote.uuids or not any(p.uuid == uuid for p in self.profiles):
            raise bluez_error('InvalidArguments', 'Invalid arguments in method call')
        for link in [l for l in self.links if l.address == remote.address and l.uuid == uuid]:
            link.hang_up()
            self.links.remove(link)

    def connect_to_us(self, remote, uuid_text, reply):
        uuid = normalize_uuid(uuid_text)
        if uuid is None:
            raise control_error(f'no UUID: {uuid_text!r}')
        if not self.powered:
            reply('not-powered')
            return
        if not remote.in_range:
            reply('out-of-range')
            return
        profile = next((p for p in self.profiles if p.uuid == uuid and p.serves_incoming()), None)
        if profile is None:
            reply('no-server-profile')
            return
        if remote.connecting is not None:
            reply('busy')
            return
        self.ensure_device(remote)
        self.bring_up(remote)
        self.hand_over(profile, remote, uuid, lambda error: reply(error or 'connected'))

    # ---- pairing -------------------------------------------------------------------------

    def agent_for(self, sender):
        own = next((a for a in self.agents if a.sender == sender), None)
        return own or self.default_agent

    def ask_agent(self, agent, remote, token, decided):
        '''Asks `agent` to pair with `remote`: decided(answer, error name, success).'''
        def still_asked():
            return token in (remote.pairing, remote.request)

        def answered(*ret):
            if not still_asked():
                return
            if remote.ssp:
                decided('yes', '', True)
            else:
                pin = str(ret[0]) if ret else ''
                decided(pin, '', bool(pin) and pin == remote.pin)

        def failed(e):
            if not still_asked():
                return
            name = e.get_dbus_name() or 'org.freedesktop.DBus.Error.Failed'
            if name == 'org.freedesktop.DBus.Error.NoReply':
                self.tell_agent_cancel(agent)
            decided('', name, False)

        if remote.ssp:
            method, signature = 'RequestConfirmation', 'ou'
            args = [dbus.ObjectPath(remote.obj.path), dbus.UInt32(remote.passkey)]
        else:
            method, signature, args = 'RequestPinCode', 'o', [dbus.ObjectPath(remote.obj.path)]
        self.conn.call_async(agent.sender, agent.path, AGENT_IFACE, method, signature, args,
                             answered, failed, timeout=self.call_timeout_s)

    def tell_agent_cancel(self, agent):
        self.conn.call_async(agent.sender, agent.path, AGENT_IFACE, 'Cancel', '', [],
                             ignore, ignore, timeout=self.call_timeout_s)

    def mark_paired(self, remote):
        remote.paired = True
        self.save()
        if self.ensure_device(remote) is not None:
            self.set_props(remote.obj, DEVICE_IFACE, {'Paired': dbus.Boolean(True), 'Bonded': dbus.Boolean(True)})

    def pair(self, remote, sender, ok, fail):
        if remote.pairing is not None or remote.request is not None:
            raise bluez_error('InProgress', 'In Progress')
        if remote.paired:
            raise bluez_error('AlreadyExists', 'Already Exists')
        if not self.powered:
            raise bluez_error('AuthenticationFailed', 'Authentication Failed')
        if not remote.in_range:
            raise bluez_error('ConnectionAttemptFailed', 'Page Timeout')
        agent = self.agent_for(sender)
        if agent is None:
            raise bluez_error('AuthenticationFailed', 'Authentication Failed')
        if not remote.pin and not remote.ssp:
            raise bluez_error('AuthenticationRejected', 'Authentication Rejected')
        token = (ok, fail, agent)
        remote.pairing = token

        def decided(_answer, error, success):
            remote.pairing = None
            if success:
                self.mark_paired(remote)
                ok()
            elif error == 'org.bluez.Error.Rejected':
                fail(bluez_error('AuthenticationRejected', 'Authentication Rejected'))
            elif error == 'org.bluez.Error.Canceled':
                fail(bluez_error('AuthenticationCanceled', 'Authentication Canceled'))
            else:
                fail(bluez_error('AuthenticationFailed', 'Authentication Failed'))
        self.ask_agent(agent, remote, token, decided)

    def cancel_pairing(self, remote, error, message):
        '''Ends a pending Pair with `error`, telling its agent; False when none is pending.'''
        if remote.pairing is None:
            return False
        _, fail, agent = remote.pairing
        remote.pairing = None
        self.tell_agent_cancel(agent)
        fail(bluez_error(error, message))
        return True

    def request_pin(self, remote):
        '''The device asks us to pair; what our agent answers is kept in last_answer.'''
        if not remote.in_range:
            raise control_error(f'{remote.address} is out of range')
        if remote.pairing is not None or remote.request is not None:
            raise control_error(f'{remote.address} is pairing already')
        agent = self.default_agent
        if agent is None or self.adapter is None:
            remote.last_answer = ('', 'no-agent' if agent is None else 'no-adapter')
            return
        self.ensure_device(remote)
        token = object()
        remote.request = token
        remote.last_answer = ('', '')

        def decided(answer, error, success):
            remote.request = None
            remote.last_answer = (answer, error)
            if success:
                self.mark_paired(remote)
        self.ask_agent(agent, remote, token, decided)

    def cancel_request(self, remote):
        if remote.request is not None:
            remote.request = None
            remote.last_answer = ('', 'org.bluez.Error.Canceled')
            if self.default_agent is not None:
                self.tell_agent_cancel(self.default_agent)
        self.cancel_pairing(remote, 'AuthenticationCanceled', 'Authentication Canceled')

    # ---- managers ------------------------------------------------------------------------

    def register_agent(self, sender, path, capability):
        capability = capability or 'KeyboardDisplay'
        if any(a.sender == sender for a in self.agents):
            raise bluez_error('AlreadyExists', 'Already Exists')
        if capability not in CAPABILITIES:
            raise bluez_error('InvalidArguments', 'Invalid Arguments in method call')
        self.agents.append(Agent(sender, path, capability))

    def unregister_agent(self, sender, path):
        agent = next((a for a in self.agents if a.sender == sender and a.path == path), None)
        if agent is None:
            raise bluez_error('DoesNotExist', 'Does Not Exist')
        self.drop_agent(agent)

    def drop_agent(self, agent):
        self.agents.remove(agent)
        if self.default_agent is agent:
            self.default_agent = self.agents[-1] if self.agents else None

    def request_default_agent(self, sender, path):
        agent = next((a for a in self.agents if a.sender == sender and a.path == path), None)
        if agent is None:
            raise bluez_error('DoesNotExist', 'Does Not Exist')
        self.default_agent = agent

    def register_profile(self, sender, path, uuid_text, options):
        if any(p.sender == sender and p.path == path for p in self.profiles):
            raise bluez_error('AlreadyExists', 'Already Exists')
        uuid = normalize_uuid(uuid_text)
        if uuid is None:
            raise bluez_error('InvalidArguments', 'Invalid arguments in method call')
        if uuid in self.taken_uuids or any(p.uuid == uuid for p in self.profiles):
            raise bluez_error('NotPermitted', 'UUID already registered')
        record = str(options.get('ServiceRecord', ''))
        if record:
            try:
                ElementTree.fromstring(record)
            except ElementTree.ParseError as error:
                raise bluez_error('InvalidArguments', 'Invalid arguments in method call') from error
        self.profiles.append(Profile(sender, path, uuid, options))
        self.update_adapter_uuids()

    def unregister_profile(self, sender, path):
        profile = next((p for p in self.profiles if p.sender == sender and p.path == path), None)
        if profile is None:
            raise bluez_error('DoesNotExist', 'Does Not Exist')
        self.profiles.remove(profile)
        self.update_adapter_uuids()

    def update_adapter_uuids(self):
        if self.adapter is not None:
            self.set_props(self.adapter, ADAPTER_IFACE, {'UUIDs': self.adapter_uuids()})

    def name_owner_changed(self, name, _old, new):
        '''A client left the bus: its agents, profiles and discovery go with it.'''
        if new or not name.startswith(':'):
            return
        for agent in [a for a in self.agents if a.sender == name]:
            self.drop_agent(agent)
        before = len(self.profiles)
        self.profiles = [p for p in self.profiles if p.sender != name]
        if len(self.profiles) != before:
            self.update_adapter_uuids()
        if name in self.discovery_clients:
            self.end_discovery_of(name)
        self.control_senders.discard(name)

    # ---- the test's control --------------------------------------------------------------

    def remote(self, address):
        remote = self.remotes.get(normalize_address(address) or '')
        if remote is None:
            raise control_error(f'no remote device {address}')
        return remote

    def add_remote(self, address, options):
        canonical = normalize_address(address)
        if canonical is None:
            raise control_error(f'no Bluetooth address: {address!r}')
        try:
            remote = self.remotes.get(canonical)
            if remote is None:
                remote = RemoteDevice(canonical, dict(options))
            else:
                remote.apply(dict(options))
        except (ValueError, TypeError) as e:
            raise control_error(str(e)) from e
        self.remotes[canonical] = remote
        self.save()
        self.refresh_device(remote)
        if remote.paired:
            self.mark_paired(remote)
        if remote.in_range and self.discovering:
            self.found(remote)

    def leave(self, remote):
        remote.in_range = False
        self.save()
        self.cancel_pairing(remote, 'AuthenticationCanceled', 'Authentication Canceled')
        self.drop_link(remote)

    def come_back(self, remote):
        remote.in_range = True
        self.save()
        if self.discovering:
            self.found(remote)

    def set_fault(self, name, on):
        kind, _, what = name.partition(':')
        if kind == 'silent' and what:
            (self.silent.add if on else self.silent.discard)(what)
        elif kind == 'profile-taken' and normalize_uuid(what):
            (self.taken_uuids.add if on else self.taken_uuids.discard)(normalize_uuid(what))
        elif name == 'no-adapter':
            if on:
                self.remove_adapter()
            elif self.adapter is None:
                self.add_adapter()
        else:
            raise control_error(f'unknown fault {name!r}')

    # ---- dispatch ------------------------------------------------------------------------

    def dispatch(self, obj, connection, message):
        '''Every method call to any object comes here first: counted (unless the test's own
        control connection made it) and, for a silenced method, never answered.'''
        if isinstance(message, dbus.lowlevel.MethodCallMessage):
            interface = message.get_interface() or ''
            member = message.get_member()
            sender = message.get_sender()
            if interface == CONTROL_IFACE:
                self.control_senders.add(sender)
            elif interface != MOCK_IFACE:
                if sender not in self.control_senders:
                    self.calls.append(f'{interface}.{member} {message.get_path()}')
                    obj.call_log.append((int(time.time()), member, message.get_args_list()))
                if member in self.silent and sender not in self.control_senders:
                    self.held.append(message)
                    return None
        return ORIGINAL_MESSAGE_CB(obj, connection, message)


FAKE = None
ORIGINAL_MESSAGE_CB = dbus.service.Object._message_cb  # pylint: disable=protected-access


def export(obj, interface, fn):
    '''Puts a dbus.service.method function on `obj`, under `interface`.'''
    # pylint: disable=protected-access
    obj.methods.setdefault(interface, {})[fn.__name__] = (
        fn._dbus_in_signature, fn._dbus_out_signature, '', fn)


def managed_interfaces(obj):
    interfaces = {INTROSPECTABLE_IFACE: dbus.Dictionary({}, signature='sv')}
    for name, props in obj.props.items():
        interfaces[name] = dbus.Dictionary(props, signature='sv')
    interfaces[PROPERTIES_IFACE] = dbus.Dictionary({}, signature='sv')
    return dbus.Dictionary(interfaces, signature='sa{sv}')


def check_writable(props, writable, name, value):
    if name not in props:
        raise bus_error('InvalidArgs', f"No such property '{name}'")
    if name not in writable:
        raise bus_error('PropertyReadOnly', f"Property '{name}' is not writable")
    if not isinstance(value, writable[name]):
        raise bus_error('InvalidArgs', f"Invalid argument type: '{value.__class__.__name__}'")


# The methods below are dbus-python methods kept in classes: a template's top-level methods
# would all land on the root object.

class PropertyMethods:
    @dbus.service.method(PROPERTIES_IFACE, in_signature='ss', out_signature='v')
    def Get(self, interface, name):
        props = self.props.get(interface)
        if props is None:
            raise bus_error('InvalidArgs', f"No such interface '{interface}'")
        if name not in props:
            raise bus_error('InvalidArgs', f"No such property '{name}'")
        return props[name]

    @dbus.service.method(PROPERTIES_IFACE, in_signature='ssv', out_signature='')
    def SetAdapter(self, interface, name, value):
        if interface != ADAPTER_IFACE:
            raise bus_error('InvalidArgs', f"No such interface '{interface}'")
        FAKE.set_adapter_property(name, value)

    @dbus.service.method(PROPERTIES_IFACE, in_signature='ssv', out_signature='')
    def SetDevice(self, interface, name, value):
        if interface != DEVICE_IFACE:
            raise bus_error('InvalidArgs', f"No such interface '{interface}'")
        FAKE.set_device_property(self.remote, name, value)


PropertyMethods.SetAdapter.__name__ = 'Set'
PropertyMethods.SetDevice.__name__ = 'Set'


class RootMethods:
    @dbus.service.method(OBJECT_MANAGER_IFACE, in_signature='', out_signature='a{oa{sa{sv}}}')
    def GetManagedObjects(self):
        return dbus.Dictionary({dbus.ObjectPath(path): managed_interfaces(obj)
                                for path, obj in mockobject.objects.items() if path != '/'},
                               signature='oa{sa{sv}}')


class ManagerMethods:
    @dbus.service.method(AGENT_MANAGER_IFACE, in_signature='os', out_signature='', sender_keyword='sender')
    def RegisterAgent(self, path, capability, sender):
        FAKE.register_agent(sender, path, capability)

    @dbus.service.method(AGENT_MANAGER_IFACE, in_signature='o', out_signature='', sender_keyword='sender')
    def UnregisterAgent(self, path, sender):
        FAKE.unregister_agent(sender, path)

    @dbus.service.method(AGENT_MANAGER_IFACE, in_signature='o', out_signature='', sender_keyword='sender')
    def RequestDefaultAgent(self, path, sender):
        FAKE.request_default_agent(sender, path)

    @dbus.service.method(PROFILE_MANAGER_IFACE, in_signature='osa{sv}', out_signature='', sender_keyword='sender')
    def RegisterProfile(self, path, uuid, options, sender):
        FAKE.register_profile(sender, path, uuid, options)

    @dbus.service.method(PROFILE_MANAGER_IFACE, in_signature='o', out_signature='', sender_keyword='sender')
    def UnregisterProfile(self, path, sender):
        FAKE.unregister_profile(sender, path)


class AdapterMethods:
    @dbus.service.method(ADAPTER_IFACE, in_signature='', out_signature='', sender_keyword='sender')
    def StartDiscovery(self, sender):
        FAKE.start_discovery(sender)

    @dbus.service.method(ADAPTER_IFACE, in_signature='', out_signature='', sender_keyword='sender')
    def StopDiscovery(self, sender):
        FAKE.stop_discovery(sender)

    @dbus.service.method(ADAPTER_IFACE, in_signature='a{sv}', out_signature='')
    def SetDiscoveryFilter(self, _filter):
        pass

    @dbus.service.method(ADAPTER_IFACE, in_signature='', out_signature='as')
    def GetDiscoveryFilters(self):
        return strings(['UUIDs', 'RSSI', 'Pathloss', 'Transport', 'DuplicateData', 'Discoverable', 'Pattern'])

    @dbus.service.method(ADAPTER_IFACE, in_signature='o', out_signature='')
    def RemoveDevice(self, path):
        FAKE.remove_device(path)


class DeviceMethods:
    @dbus.service.method(DEVICE_IFACE, in_signature='', out_signature='')
    def Connect(self):
        FAKE.connect(self.remote)

    @dbus.service.method(DEVICE_IFACE, in_signature='', out_signature='')
    def Disconnect(self):
        FAKE.drop_link(self.remote)

    @dbus.service.method(DEVICE_IFACE, in_signature='s', out_signature='', async_callbacks=('ok', 'fail'))
    def ConnectProfile(self, uuid, ok, fail):
        FAKE.connect_profile(self.remote, uuid, ok, fail)

    @dbus.service.method(DEVICE_IFACE, in_signature='s', out_signature='')
    def DisconnectProfile(self, uuid):
        FAKE.disconnect_profile(self.remote, uuid)

    @dbus.service.method(DEVICE_IFACE, in_signature='', out_signature='', sender_keyword='sender',
                         async_callbacks=('ok', 'fail'))
    def Pair(self, sender, ok, fail):
        FAKE.pair(self.remote, sender, ok, fail)

    @dbus.service.method(DEVICE_IFACE, in_signature='', out_signature='')
    def CancelPairing(self):
        if not FAKE.cancel_pairing(self.remote, 'AuthenticationCanceled', 'Authentication Canceled'):
            raise bluez_error('DoesNotExist', 'Does Not Exist')


class ControlMethods:
    @dbus.service.method(CONTROL_IFACE, in_signature='sa{sv}', out_signature='')
    def AddRemoteDevice(self, address, options):
        FAKE.add_remote(address, options)

    @dbus.service.method(CONTROL_IFACE, in_signature='s', out_signature='')
    def Leave(self, address):
        FAKE.leave(FAKE.remote(address))

    @dbus.service.method(CONTROL_IFACE, in_signature='s', out_signature='')
    def Return(self, address):
        FAKE.come_back(FAKE.remote(address))

    @dbus.service.method(CONTROL_IFACE, in_signature='s', out_signature='')
    def RequestPin(self, address):
        FAKE.request_pin(FAKE.remote(address))

    @dbus.service.method(CONTROL_IFACE, in_signature='s', out_signature='ss')
    def LastAgentAnswer(self, address):
        return FAKE.remote(address).last_answer

    @dbus.service.method(CONTROL_IFACE, in_signature='s', out_signature='')
    def CancelRequest(self, address):
        FAKE.cancel_request(FAKE.remote(address))

    @dbus.service.method(CONTROL_IFACE, in_signature='ss', out_signature='s', async_callbacks=('ok', 'fail'))
    def ConnectToUs(self, address, uuid, ok, fail):  # pylint: disable=unused-argument
        FAKE.connect_to_us(FAKE.remote(address), uuid, ok)

    @dbus.service.method(CONTROL_IFACE, in_signature='sb', out_signature='')
    def SetFault(self, name, on):
        FAKE.set_fault(name, bool(on))

    @dbus.service.method(CONTROL_IFACE, in_signature='s', out_signature='s')
    def ProfileRecord(self, uuid):
        '''The ServiceRecord a client registered with its profile for uuid ("" when none).'''
        wanted = normalize_uuid(uuid)
        return next((p.record for p in FAKE.profiles if p.uuid == wanted), '')

    @dbus.service.method(CONTROL_IFACE, in_signature='', out_signature='u')
    def CallCount(self):
        return dbus.UInt32(len(FAKE.calls))

    @dbus.service.method(CONTROL_IFACE, in_signature='', out_signature='as')
    def CallLog(self):
        return strings(FAKE.calls)


def load(mock, parameters):
    global FAKE  # pylint: disable=global-statement
    FAKE = Fake(mock, parameters or {})
    # Route every call through Fake.dispatch; the root object was exported before this
    # template ran, so it is exported again to take the new handler.
    mockobject.DBusMockObject._message_cb = lambda obj, c, m: FAKE.dispatch(obj, c, m)  # pylint: disable=protected-access
    connection = mock.connection
    mock.remove_from_connection()
    mock.add_to_connection(connection, '/')
    export(mock, OBJECT_MANAGER_IFACE, RootMethods.GetManagedObjects)

    manager = FAKE.add_object(MANAGER_PATH, AGENT_MANAGER_IFACE, {}, [
        (AGENT_MANAGER_IFACE, ManagerMethods.RegisterAgent), (AGENT_MANAGER_IFACE, ManagerMethods.UnregisterAgent),
        (AGENT_MANAGER_IFACE, ManagerMethods.RequestDefaultAgent),
        (PROFILE_MANAGER_IFACE, ManagerMethods.RegisterProfile),
        (PROFILE_MANAGER_IFACE, ManagerMethods.UnregisterProfile)] +
        [(CONTROL_IFACE, getattr(ControlMethods, n)) for n in (
            'AddRemoteDevice', 'Leave', 'Return', 'RequestPin', 'LastAgentAnswer', 'CancelRequest',
            'ConnectToUs', 'SetFault', 'ProfileRecord', 'CallCount', 'CallLog')])
    manager.props[PROFILE_MANAGER_IFACE] = {}
    FAKE.connection_watch = FAKE.conn.add_signal_receiver(
        FAKE.name_owner_changed, signal_name='NameOwnerChanged', dbus_interface='org.freedesktop.DBus',
        bus_name='org.freedesktop.DBus', path='/org/freedesktop/DBus')
    FAKE.add_adapter()
