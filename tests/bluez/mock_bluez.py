# SPDX-License-Identifier: MIT
'''bluetoothd with Vantro wristbands, for tests on a private system bus.

The stock bluez5 template (adapters, plain devices) plus wristband devices that
export the wristband's GATT service while connected: the report characteristic
(read, notify, with its 0x2902 descriptor) and the command characteristic
(write with response). Connect also resolves the services, as bluetoothd does
for a device whose GATT database is known.

With the template parameter "advertise" (seconds), every band that is in range, not connected and
heard by a powered adapter that is discovering advertises at that interval (its RSSI is announced
again), as bluetoothd passes advertisements on. Adapters can lose their power (SetPowered), which ends
their links and refuses new ones, and links can break in range (DropLink).

Each adapter offers bluetoothd's advertisement monitor (AdvertisementMonitorManager1, "or_patterns"):
a registered monitor whose pattern is the band's service is activated, and told DeviceFound shortly
(within one advertising interval) after a band starts advertising, as a passive scan hears it, with no
discovery. The template parameter "monitor": false leaves the manager out, as on older bluetoothd.

Every frame written to a band is kept (ReceivedFrames). With the template
parameter "firmware" (the command line of vantro-firmware: reads frames as hex
lines, answers each with its reports as hex lines and then a "." line, and
answers "?" with today's totals), each band runs that firmware: every written
frame is played to it and its reports are notified back, and a read of the
report characteristic returns its current totals.
'''

import ctypes
import os
import random
import signal
import subprocess

import dbus
from dbus.lowlevel import HANDLER_RESULT_NOT_YET_HANDLED
from gi.repository import GLib

from dbusmock import OBJECT_MANAGER_IFACE, mockobject
from dbusmock.templates.bluez5 import *  # noqa: F401,F403 (methods of the stock template)
from dbusmock.templates import bluez5

BUS_NAME = 'org.bluez'
MAIN_OBJ = '/'
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

MOCK_IFACE = 'org.bluez.Mock'
DEVICE_IFACE = 'org.bluez.Device1'
SERVICE_IFACE = 'org.bluez.GattService1'
CHAR_IFACE = 'org.bluez.GattCharacteristic1'
DESC_IFACE = 'org.bluez.GattDescriptor1'

WRISTBAND_SERVICE = '14701820-620a-3973-7c78-9cfff0876abd'
COMMAND_CHAR = '14702856-620a-3973-7c78-9cfff0876abd'
REPORT_CHAR = '14702853-620a-3973-7c78-9cfff0876abd'
CCCD = '00002902-0000-1000-8000-00805f9b34fb'

FIRMWARE = {'argv': None}
ADAPTER_IFACE = 'org.bluez.Adapter1'
MONITOR_MANAGER_IFACE = 'org.bluez.AdvertisementMonitorManager1'
MONITOR_IFACE = 'org.bluez.AdvertisementMonitor1'
# The registered monitor applications: {'owner', 'root', 'adapter', 'monitors': [(path, patterns)]}.
MONITOR = {'offered': True, 'sender': None, 'apps': [], 'interval': 1.0, 'bus': None}


def _bytes(hex_text):
    return dbus.Array([dbus.Byte(b) for b in bytes.fromhex(hex_text)], signature='y')


def _hex(value):
    return ' '.join(f'{int(b):02X}' for b in value)


def _changed(obj, iface, props, invalidated=None):
    obj.EmitSignal(dbus.PROPERTIES_IFACE, 'PropertiesChanged', 'sa{sv}as',
                   [iface, props, dbus.Array(invalidated or [], signature='s')])


def _characteristic(uuid, service, flags, handle):
    return {'UUID': dbus.String(uuid, variant_level=1), 'Service': dbus.ObjectPath(service, variant_level=1),
            'Value': dbus.Array([], signature='y', variant_level=1), 'Notifying': dbus.Boolean(False, variant_level=1),
            'Flags': dbus.Array(flags, signature='s', variant_level=1), 'Handle': dbus.UInt16(handle, variant_level=1)}


def _heard(device, rssi):
    '''bluetoothd announces the strength it heard the device at.'''
    device.props[DEVICE_IFACE]['RSSI'] = dbus.Int16(rssi, variant_level=1)
    _changed(device, DEVICE_IFACE, {'RSSI': dbus.Int16(rssi, variant_level=1)})


def _forget_rssi(device):
    '''bluetoothd forgets the strength it heard (as when discovery ends): the property goes, invalidated.'''
    if device.props[DEVICE_IFACE].pop('RSSI', None) is not None:
        _changed(device, DEVICE_IFACE, {}, ['RSSI'])


def _audible(device):
    '''The powered adapter that can hear the band advertise now, or None.'''
    band = getattr(device, 'band', None)
    if band is None or not band.in_range or device.connected or device.path not in mockobject.objects:
        return None
    adapter = mockobject.objects.get(str(device.props[DEVICE_IFACE]['Adapter']))
    return adapter if adapter is not None and adapter.props[ADAPTER_IFACE]['Powered'] else None


def _device(address):
    for path, obj in mockobject.objects.items():
        props = obj.props.get(DEVICE_IFACE)
        if props and str(props.get('Address')) == address:
            return obj
    raise dbus.exceptions.DBusException(f'No device {address}', name=MOCK_IFACE + '.NoSuchDevice')


def _band(device):
    if not hasattr(device, 'band'):
        raise dbus.exceptions.DBusException('Not a wristband', name=MOCK_IFACE + '.NotAWristband')
    return device.band


class Band:
    '''The wristband's side of one device: link state, GATT objects, frames received.'''

    def __init__(self, device):
        self.device = device
        self.in_range = True
        self.refuse_notify = False
        self.fail_writes = False
        self.received = []
        self.report_value = dbus.Array([], signature='y')
        self.paths = []
        self.report = None
        self.firmware = None

    # -- link
    def connect(self):
        if self.device.connected:
            raise dbus.exceptions.DBusException('Already Connected', name='org.bluez.Error.AlreadyConnected')
        adapter = mockobject.objects.get(str(self.device.props[DEVICE_IFACE]['Adapter']))
        if adapter is None or not adapter.props[ADAPTER_IFACE]['Powered']:
            raise dbus.exceptions.DBusException('Resource Not Ready', name='org.bluez.Error.NotReady')
        if not self.in_range:
            raise dbus.exceptions.DBusException('le-connection-abort-by-local', name='org.bluez.Error.Failed')
        self.export_gatt()
        self.device.connected = True
        self.set_device({'Connected': dbus.Boolean(True, variant_level=1)})
        self.set_device({'ServicesResolved': dbus.Boolean(True, variant_level=1)})

    def drop(self):
        if not self.device.connected:
            return
        self.device.connected = False
        self.set_device({'ServicesResolved': dbus.Boolean(False, variant_level=1)})
        self.set_device({'Connected': dbus.Boolean(False, variant_level=1)})
        self.unexport_gatt()

    def set_device(self, props):
        self.device.props[DEVICE_IFACE].update(props)
        _changed(self.device, DEVICE_IFACE, props)

    # -- GATT database, present while connected
    def export_gatt(self):
        base = self.device.path
        service = base + '/service0010'
        command = service + '/char0011'
        report = service + '/char0013'
        cccd = report + '/desc0015'
        self.add(service, SERVICE_IFACE, {
            'UUID': dbus.String(WRISTBAND_SERVICE, variant_level=1),
            'Device': dbus.ObjectPath(base, variant_level=1),
            'Primary': dbus.Boolean(True, variant_level=1),
            'Includes': dbus.Array([], signature='o', variant_level=1),
            'Handle': dbus.UInt16(0x10, variant_level=1),
        }, [])
        self.add(command, CHAR_IFACE, _characteristic(COMMAND_CHAR, service, ['write'], 0x11), [
            ('ReadValue', 'a{sv}', 'ay', lambda obj, options: dbus.Array([], signature='y')),
            ('WriteValue', 'aya{sv}', '', lambda obj, value, options: self.write_command(value)),
        ])
        self.add(report, CHAR_IFACE, _characteristic(REPORT_CHAR, service, ['read', 'notify'], 0x13), [
            ('ReadValue', 'a{sv}', 'ay', lambda obj, options: self.read_report()),
            ('StartNotify', '', '', lambda obj: self.set_notifying(True)),
            ('StopNotify', '', '', lambda obj: self.set_notifying(False)),
        ])
        self.add(cccd, DESC_IFACE, {
            'UUID': dbus.String(CCCD, variant_level=1),
            'Characteristic': dbus.ObjectPath(report, variant_level=1),
            'Value': dbus.Array([], signature='y', variant_level=1),
            'Flags': dbus.Array([], signature='s', variant_level=1),
            'Handle': dbus.UInt16(0x15, variant_level=1),
        }, [
            ('ReadValue', 'a{sv}', 'ay', lambda obj, options: dbus.Array([0, 0], signature='y')),
            ('WriteValue', 'aya{sv}', '', ''),
        ])
        self.report = mockobject.objects[report]

    def add(self, path, iface, props, methods):
        manager = mockobject.objects['/']
        manager.AddObject(path, iface, props, methods)
        manager.EmitSignal(OBJECT_MANAGER_IFACE, 'InterfacesAdded', 'oa{sa{sv}}',
                           [dbus.ObjectPath(path), {iface: props}])
        self.paths.append((path, iface))

    def unexport_gatt(self):
        manager = mockobject.objects['/']
        for path, iface in reversed(self.paths):
            manager.RemoveObject(path)
            manager.EmitSignal(OBJECT_MANAGER_IFACE, 'InterfacesRemoved', 'oas',
                               [dbus.ObjectPath(path), dbus.Array([iface], signature='s')])
        self.paths = []
        self.report = None

    # -- GATT operations
    def set_notifying(self, on):
        if on and self.refuse_notify:
            raise dbus.exceptions.DBusException('Notify not permitted', name='org.bluez.Error.NotPermitted')
        self.report.props[CHAR_IFACE]['Notifying'] = dbus.Boolean(on, variant_level=1)
        _changed(self.report, CHAR_IFACE, {'Notifying': dbus.Boolean(on, variant_level=1)})

    def write_command(self, value):
        if self.fail_writes:
            raise dbus.exceptions.DBusException('Write failed', name='org.bluez.Error.Failed')
        frame = _hex(value)
        self.received.append(frame)
        for report in self.play_to_firmware(frame):
            self.notify(report)

    def notify(self, hex_text):
        value = _bytes(hex_text)
        self.report_value = value
        if self.report is None or not self.report.props[CHAR_IFACE]['Notifying']:
            return False
        self.report.props[CHAR_IFACE]['Value'] = dbus.Array(value, signature='y', variant_level=1)
        _changed(self.report, CHAR_IFACE, {'Value': dbus.Array(value, signature='y', variant_level=1)})
        return True

    def read_report(self):
        if FIRMWARE['argv']:
            answer = self.play_to_firmware('?')
            if answer:
                self.report_value = _bytes(answer[0])
        return self.report_value

    def play_to_firmware(self, frame):
        if not FIRMWARE['argv']:
            return []
        if self.firmware is None:
            self.firmware = subprocess.Popen(FIRMWARE['argv'], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                             text=True, bufsize=1)
        self.firmware.stdin.write(frame + '\n')
        self.firmware.stdin.flush()
        reports = []
        while True:
            line = self.firmware.stdout.readline()
            if not line or line.strip() == '.':
                return reports
            reports.append(line.strip())


def _device_connect(device):
    _band(device).connect()


def _device_disconnect(device):
    if not device.connected:
        raise dbus.exceptions.DBusException('Not Connected', name='org.bluez.Error.NotConnected')
    _band(device).drop()


@dbus.service.method(MOCK_IFACE, in_signature='sssn', out_signature='s')
def AddWristband(self, adapter_device_name, address, name, rssi):
    '''Adds an advertising wristband (name '' for one that advertises no name); returns its path.'''
    adapter_path = '/org/bluez/' + adapter_device_name
    if adapter_path not in mockobject.objects:
        raise dbus.exceptions.DBusException(f'Adapter {adapter_device_name} does not exist.',
                                            name=MOCK_IFACE + '.NoSuchAdapter')
    path = adapter_path + '/dev_' + address.replace(':', '_').upper()
    props = {
        'Address': dbus.String(address, variant_level=1),
        'AddressType': dbus.String('random', variant_level=1),
        'Alias': dbus.String(name or address.replace(':', '-'), variant_level=1),
        **{flag: dbus.Boolean(False, variant_level=1)
           for flag in ('Paired', 'Bonded', 'Trusted', 'Blocked', 'LegacyPairing', 'Connected', 'ServicesResolved')},
        'UUIDs': dbus.Array([WRISTBAND_SERVICE], signature='s', variant_level=1),
        'Adapter': dbus.ObjectPath(adapter_path, variant_level=1),
        'RSSI': dbus.Int16(rssi, variant_level=1),
        'ManufacturerData': dbus.Dictionary({}, signature='qv', variant_level=1),
        'ServiceData': dbus.Dictionary({}, signature='sv', variant_level=1),
    }
    if name:
        props['Name'] = dbus.String(name, variant_level=1)
    self.AddObject(path, DEVICE_IFACE, props, [
        ('Connect', '', '', _device_connect),
        ('Disconnect', '', '', _device_disconnect),
        ('ConnectProfile', 's', '', ''),
        ('DisconnectProfile', 's', '', ''),
        ('Pair', '', '', ''),
        ('CancelPairing', '', '', ''),
    ])
    device = mockobject.objects[path]
    device.connected = False
    device.band = Band(device)
    device.band.rssi = rssi
    self.EmitSignal(OBJECT_MANAGER_IFACE, 'InterfacesAdded', 'oa{sa{sv}}',
                    [dbus.ObjectPath(path), {DEVICE_IFACE: props}])
    _advertising(device)
    return path


@dbus.service.method(MOCK_IFACE, in_signature='sn', out_signature='')
def Advertise(_self, address, rssi):
    '''One more advertisement of a device, heard at the given strength.'''
    _heard(_device(address), rssi)


@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='')
def DropRssi(_self, address):
    _forget_rssi(_device(address))


@dbus.service.method(MOCK_IFACE, in_signature='ss', out_signature='')
def Rename(_self, address, name):
    '''The device advertises under a new name.'''
    device = _device(address)
    props = {'Name': dbus.String(name, variant_level=1), 'Alias': dbus.String(name, variant_level=1)}
    device.props[DEVICE_IFACE].update(props)
    _changed(device, DEVICE_IFACE, props)


@dbus.service.method(MOCK_IFACE, in_signature='sb', out_signature='')
def SetInRange(_self, address, in_range):
    '''Out of range drops the link and makes connection attempts fail; bluetoothd forgets its strength.'''
    device = _device(address)
    band = _band(device)
    band.in_range = bool(in_range)
    if band.in_range:
        _advertising(device)
    else:
        band.drop()
        _forget_rssi(device)


@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='')
def DropLink(_self, address):
    '''The link breaks while the band stays in range.'''
    device = _device(address)
    _band(device).drop()
    _advertising(device)


@dbus.service.method(MOCK_IFACE, in_signature='sb', out_signature='')
def SetPowered(_self, adapter_device_name, powered):
    '''The adapter's power: off ends every link on it and stops its discovery.'''
    adapter = mockobject.objects['/org/bluez/' + adapter_device_name]
    props = {'Powered': dbus.Boolean(powered, variant_level=1)}
    bands = [obj for path, obj in list(mockobject.objects.items())
             if path.startswith(adapter.path + '/') and hasattr(obj, 'band')]
    if not powered:
        props['Discovering'] = dbus.Boolean(False, variant_level=1)
        for obj in bands:
            obj.band.drop()
    adapter.props[ADAPTER_IFACE].update(props)
    _changed(adapter, ADAPTER_IFACE, props)
    for obj in bands if powered else []:
        _advertising(obj)


@dbus.service.method(bluez5.BLUEZ_MOCK_IFACE, in_signature='ss', out_signature='s')
def AddAdapter(self, device_name, system_name):
    '''The template's adapter, with the advertisement monitor manager unless it is switched off.'''
    path = bluez5.AddAdapter(self, device_name, system_name)
    if MONITOR['offered']:
        adapter = mockobject.objects[path]
        adapter.AddProperties(MONITOR_MANAGER_IFACE, {
            'SupportedMonitorTypes': dbus.Array(['or_patterns'], signature='s', variant_level=1),
            'SupportedFeatures': dbus.Array([], signature='s', variant_level=1),
        })
        adapter.AddMethods(MONITOR_MANAGER_IFACE, [
            ('RegisterMonitor', 'o', '', lambda obj, root: _register_monitor(obj, root)),
            ('UnregisterMonitor', 'o', '', lambda obj, root: _unregister_monitor(root)),
        ])
    return path


def _note_sender(_bus, message):
    # The mock's methods are not told their caller; a monitor application is found through it.
    if message.get_member() in ('RegisterMonitor', 'UnregisterMonitor'):
        MONITOR['sender'] = message.get_sender()
    return HANDLER_RESULT_NOT_YET_HANDLED


def _register_monitor(adapter, root):
    app = {'owner': MONITOR['sender'], 'root': str(root), 'adapter': adapter.path, 'monitors': []}
    MONITOR['apps'].append(app)
    GLib.idle_add(_activate, app)


def _unregister_monitor(root):
    MONITOR['apps'] = [a for a in MONITOR['apps'] if not (a['owner'] == MONITOR['sender'] and a['root'] == str(root))]


def _gone(app):
    '''An application that does not answer has left: its monitors go with it.'''
    return lambda *_: MONITOR['apps'].remove(app) if app in MONITOR['apps'] else None


def _monitor_call(app, path, member, *args):
    MONITOR['bus'].call_async(app['owner'], path, MONITOR_IFACE, member, 'o' if args else '', list(args),
                              lambda *_: None, _gone(app))


def _activate(app):
    '''Reads the application's monitors as bluetoothd does (without blocking: the application may be
    waiting on us), and activates those it can run.'''
    def read(objects):
        for path, interfaces in objects.items():
            props = interfaces.get(MONITOR_IFACE)
            if props and str(props.get('Type')) == 'or_patterns':
                patterns = [(int(p[0]), int(p[1]), bytes(p[2])) for p in props.get('Patterns', [])]
                app['monitors'].append((str(path), patterns))
                _monitor_call(app, str(path), 'Activate')
        for obj in list(mockobject.objects.values()):
            if hasattr(obj, 'band'):
                _advertising(obj)
    MONITOR['bus'].call_async(app['owner'], app['root'], OBJECT_MANAGER_IFACE, 'GetManagedObjects', '', [],
                              read, _gone(app))
    return False


def _advertising(device):
    '''The band advertises (again): a passive scan hears it within one advertising interval.'''
    if MONITOR['apps']:
        GLib.timeout_add(int(random.uniform(0.05, MONITOR['interval']) * 1000), _monitor_heard, device)


def _monitor_heard(device):
    adapter = _audible(device)
    if adapter is None:
        return False
    content = bytes.fromhex(WRISTBAND_SERVICE.replace('-', ''))[::-1]
    for app in [a for a in MONITOR['apps'] if a['adapter'] == adapter.path]:
        for path, patterns in app['monitors']:
            if any(p[1] in (0x06, 0x07) and p[2] == content[p[0]:p[0] + len(p[2])] for p in patterns):
                _heard(device, device.band.rssi)
                _monitor_call(app, path, 'DeviceFound', dbus.ObjectPath(device.path))
    return False


def _advertise_all():
    '''One advertisement of every band that a discovering, powered adapter can hear.'''
    for obj in list(mockobject.objects.values()):
        adapter = _audible(obj)
        if adapter is not None and adapter.props[ADAPTER_IFACE]['Discovering']:
            _heard(obj, obj.band.rssi)
    return True


@dbus.service.method(MOCK_IFACE, in_signature='sb', out_signature='')
def SetRefuseNotify(_self, address, refuse):
    _band(_device(address)).refuse_notify = bool(refuse)


@dbus.service.method(MOCK_IFACE, in_signature='sb', out_signature='')
def SetFailWrites(_self, address, fail):
    _band(_device(address)).fail_writes = bool(fail)


@dbus.service.method(MOCK_IFACE, in_signature='ss', out_signature='b')
def Notify(_self, address, hex_text):
    '''The band notifies a report; false when notifications are off.'''
    return _band(_device(address)).notify(hex_text)


@dbus.service.method(MOCK_IFACE, in_signature='ss', out_signature='')
def SetReportValue(_self, address, hex_text):
    '''The value a read of the report characteristic returns.'''
    _band(_device(address)).report_value = _bytes(hex_text)


@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='as')
def ReceivedFrames(_self, address):
    '''Every frame written to the band's command characteristic, as hex.'''
    return dbus.Array(_band(_device(address)).received, signature='s')


def _exit_with_bus(*_):
    os._exit(0)


def load(mock, parameters):
    bluez5.load(mock, parameters)
    firmware = parameters.get('firmware')
    FIRMWARE['argv'] = [str(a) for a in firmware] if firmware else None
    if parameters.get('advertise'):
        MONITOR['interval'] = float(parameters['advertise'])
        GLib.timeout_add(int(float(parameters['advertise']) * 1000), _advertise_all)
    MONITOR['offered'] = parameters.get('monitor', True)
    MONITOR['bus'] = mock.connection
    mock.connection.add_message_filter(_note_sender)
    # Never outlive the test that started us, nor the bus we serve.
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG
    mock.connection.call_on_disconnection(_exit_with_bus)
