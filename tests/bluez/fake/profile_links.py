'''The far side of a profile connection the fake BlueZ hands out.

A link is our end of a socketpair whose other end went to the client in NewConnection. Bytes
the client writes reach the remote device's endpoint: "echo" sends every byte back,
"tcp:HOST:PORT" relays both ways to a TCP server. Each link runs in a thread of its own, so a
slow reader never stalls the fake's D-Bus main loop; hang_up() (from the main loop) drops the
link as a lost radio link does: the client reads end of stream.
'''

import socket
import threading

CHUNK = 65536
TCP_CONNECT_TIMEOUT_S = 5.0


class EndpointError(Exception):
    '''The device's endpoint cannot be reached (its service refuses the connection).'''


def open_endpoint(endpoint):
    '''The socket towards a device's endpoint: None for "echo", a connected TCP socket for
    "tcp:HOST:PORT"; EndpointError when it does not answer or is not understood.'''
    if endpoint in ('', 'echo'):
        return None
    if not endpoint.startswith('tcp:'):
        raise EndpointError(f'unknown endpoint {endpoint!r}')
    host, _, port = endpoint[len('tcp:'):].rpartition(':')
    try:
        return socket.create_connection((host, int(port)), timeout=TCP_CONNECT_TIMEOUT_S)
    except (OSError, ValueError) as e:
        raise EndpointError(f'{endpoint}: {e}') from e


class Link:
    '''One open profile connection: (device address, uuid) and the relay behind it.'''

    def __init__(self, address, uuid, ours, remote):
        self.address = address
        self.uuid = uuid
        self._ours = ours          # our end of the socketpair
        self._remote = remote      # the endpoint's TCP socket, or None for an echo
        self._lock = threading.Lock()
        self._open = True
        self._closed = False
        if remote is not None:
            remote.settimeout(None)
        self._threads = [threading.Thread(target=self._pump, args=(ours, remote or ours), daemon=True)]
        if remote is not None:
            self._threads.append(threading.Thread(target=self._pump, args=(remote, ours), daemon=True))
        for t in self._threads:
            t.start()

    @property
    def is_open(self):
        with self._lock:
            return self._open

    def hang_up(self):
        '''Ends the link: both sockets shut down (waking the pumps), then closed. Also reaps a
        link that ended by itself.'''
        with self._lock:
            self._open = False
            if self._closed:
                return
            self._closed = True
        self._shut_down()
        for t in self._threads:
            t.join(timeout=5)
        for s in (self._ours, self._remote):
            if s is not None:
                s.close()

    def _shut_down(self):
        for s in (self._ours, self._remote):
            if s is not None:
                try:
                    s.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass

    def _pump(self, source, sink):
        try:
            while True:
                data = source.recv(CHUNK)
                if not data:
                    break
                sink.sendall(data)
        except OSError:
            pass
        # Either side closing ends the whole link.
        with self._lock:
            self._open = False
        self._shut_down()
