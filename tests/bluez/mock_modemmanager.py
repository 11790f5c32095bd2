# SPDX-License-Identifier: MIT
'''ModemManager for tests on a private system bus.

The manager object with its object manager, and Mock methods that add and remove
modems (with their Voice and Messaging interfaces), ring them with incoming and
outgoing calls and deliver or store text messages, each as ModemManager signals it.
'''

import ctypes
import os
import signal

import dbus

from dbusmock import OBJECT_MANAGER_IFACE, mockobject

BUS_NAME = 'org.freedesktop.ModemManager1'
MAIN_OBJ = '/org/freedesktop/ModemManager1'
MAIN_IFACE = 'org.freedesktop.ModemManager1'
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

MOCK_IFACE = 'org.freedesktop.ModemManager1.Mock'
MODEM_IFACE = 'org.freedesktop.ModemManager1.Modem'
VOICE_IFACE = 'org.freedesktop.ModemManager1.Modem.Voice'
MESSAGING_IFACE = 'org.freedesktop.ModemManager1.Modem.Messaging'
CALL_IFACE = 'org.freedesktop.ModemManager1.Call'
SMS_IFACE = 'org.freedesktop.ModemManager1.Sms'

CALL_DIRECTION_INCOMING = 1
CALL_DIRECTION_OUTGOING = 2
CALL_STATE_DIALING = 1
CALL_STATE_RINGING_IN = 3
SMS_STATE_STORED = 1
SMS_STATE_RECEIVED = 3
SMS_STORAGE_ME = 2

COUNTERS = {'call': 0, 'sms': 0}


def _modem(index):
    path = f'{MAIN_OBJ}/Modem/{index}'
    if path not in mockobject.objects:
        raise dbus.exceptions.DBusException(f'No modem {index}', name=MOCK_IFACE + '.NoSuchModem')
    return mockobject.objects[path]


@dbus.service.method(MOCK_IFACE, in_signature='u', out_signature='o')
def AddModem(self, index):
    '''Adds modem INDEX with voice and messaging; returns its path.'''
    path = f'{MAIN_OBJ}/Modem/{index}'
    self.AddObject(path, MODEM_IFACE, {
        'Manufacturer': dbus.String('Vantro Test', variant_level=1),
        'Model': dbus.String('Mock LTE', variant_level=1),
        'State': dbus.Int32(8, variant_level=1),  # registered
        'OwnNumbers': dbus.Array(['+15550100'], signature='s', variant_level=1),
    }, [])
    modem = mockobject.objects[path]
    modem.AddProperties(VOICE_IFACE, {
        'Calls': dbus.Array([], signature='o', variant_level=1),
        'EmergencyOnly': dbus.Boolean(False, variant_level=1),
    })
    modem.AddMethods(VOICE_IFACE, [
        ('ListCalls', '', 'ao', 'ret = self.props["%s"]["Calls"]' % VOICE_IFACE),
        ('DeleteCall', 'o', '', ''),
    ])
    modem.AddProperties(MESSAGING_IFACE, {
        'Messages': dbus.Array([], signature='o', variant_level=1),
        'SupportedStorages': dbus.Array([SMS_STORAGE_ME], signature='u', variant_level=1),
        'DefaultStorage': dbus.UInt32(SMS_STORAGE_ME, variant_level=1),
    })
    modem.AddMethods(MESSAGING_IFACE, [
        ('List', '', 'ao', 'ret = self.props["%s"]["Messages"]' % MESSAGING_IFACE),
        ('Delete', 'o', '', ''),
    ])
    self.EmitSignal(OBJECT_MANAGER_IFACE, 'InterfacesAdded', 'oa{sa{sv}}', [dbus.ObjectPath(path), modem.props])
    return dbus.ObjectPath(path)


@dbus.service.method(MOCK_IFACE, in_signature='u', out_signature='')
def RemoveModem(self, index):
    modem = _modem(index)
    interfaces = list(modem.props.keys())
    self.RemoveObject(modem.path)
    self.EmitSignal(OBJECT_MANAGER_IFACE, 'InterfacesRemoved', 'oas',
                    [dbus.ObjectPath(modem.path), dbus.Array(interfaces, signature='s')])


def _add_call(manager, index, number, direction, state):
    modem = _modem(index)
    COUNTERS['call'] += 1
    path = f'{MAIN_OBJ}/Call/{COUNTERS["call"]}'
    manager.AddObject(path, CALL_IFACE, {
        'Number': dbus.String(number, variant_level=1),
        'Direction': dbus.UInt32(direction, variant_level=1),
        'State': dbus.Int32(state, variant_level=1),
        'StateReason': dbus.Int32(0, variant_level=1),
        'Multiparty': dbus.Boolean(False, variant_level=1),
    }, [('Accept', '', '', ''), ('Hangup', '', '', ''), ('Start', '', '', '')])
    calls = list(modem.props[VOICE_IFACE]['Calls']) + [dbus.ObjectPath(path)]
    modem.props[VOICE_IFACE]['Calls'] = dbus.Array(calls, signature='o', variant_level=1)
    modem.EmitSignal(VOICE_IFACE, 'CallAdded', 'o', [dbus.ObjectPath(path)])
    return dbus.ObjectPath(path)


@dbus.service.method(MOCK_IFACE, in_signature='us', out_signature='o')
def IncomingCall(self, index, number):
    '''A call from NUMBER rings on modem INDEX.'''
    return _add_call(self, index, number, CALL_DIRECTION_INCOMING, CALL_STATE_RINGING_IN)


@dbus.service.method(MOCK_IFACE, in_signature='us', out_signature='o')
def OutgoingCall(self, index, number):
    '''The user dials NUMBER on modem INDEX.'''
    return _add_call(self, index, number, CALL_DIRECTION_OUTGOING, CALL_STATE_DIALING)


def _add_sms(manager, index, number, text, received):
    modem = _modem(index)
    COUNTERS['sms'] += 1
    path = f'{MAIN_OBJ}/SMS/{COUNTERS["sms"]}'
    manager.AddObject(path, SMS_IFACE, {
        'State': dbus.UInt32(SMS_STATE_RECEIVED if received else SMS_STATE_STORED, variant_level=1),
        'PduType': dbus.UInt32(1 if received else 2, variant_level=1),  # deliver / submit
        'Number': dbus.String(number, variant_level=1),
        'Text': dbus.String(text, variant_level=1),
        'Storage': dbus.UInt32(SMS_STORAGE_ME, variant_level=1),
    }, [('Send', '', '', ''), ('Store', 'u', '', '')])
    messages = list(modem.props[MESSAGING_IFACE]['Messages']) + [dbus.ObjectPath(path)]
    modem.props[MESSAGING_IFACE]['Messages'] = dbus.Array(messages, signature='o', variant_level=1)
    modem.EmitSignal(MESSAGING_IFACE, 'Added', 'ob', [dbus.ObjectPath(path), dbus.Boolean(received)])
    return dbus.ObjectPath(path)


@dbus.service.method(MOCK_IFACE, in_signature='uss', out_signature='o')
def ReceiveSms(self, index, number, text):
    '''A text message from NUMBER arrives on modem INDEX.'''
    return _add_sms(self, index, number, text, True)


@dbus.service.method(MOCK_IFACE, in_signature='uss', out_signature='o')
def StoreSms(self, index, number, text):
    '''The user saves a message to NUMBER on modem INDEX (not a received one).'''
    return _add_sms(self, index, number, text, False)


@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='')
def EmitStrayMessage(self, path):
    '''A received-message signal from PATH, whatever is there now.'''
    self.EmitSignalDetailed(MESSAGING_IFACE, 'Added', 'ob',
                            [dbus.ObjectPath(f'{MAIN_OBJ}/SMS/999'), dbus.Boolean(True)], {'path': path})


def _exit_with_bus(*_):
    os._exit(0)


def load(mock, _parameters):
    mock.AddMethods(MAIN_IFACE, [
        ('ScanDevices', '', '', ''),
        ('SetLogging', 's', '', ''),
        ('ReportKernelEvent', 'a{sv}', '', ''),
        ('InhibitDevice', 'sb', '', ''),
    ])
    mock.AddProperties(MAIN_IFACE, {'Version': dbus.String('1.20.4', variant_level=1)})
    # Never outlive the test that started us, nor the bus we serve.
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG
    mock.connection.call_on_disconnection(_exit_with_bus)
