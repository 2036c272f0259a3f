"""Writing generated files so that unchanged outputs keep their time stamps."""

import os


def write_if_changed(path, data):
    """Writes `data` to `path` unless the file holds exactly these bytes already."""
    try:
        if os.path.getsize(path) == len(data):
            with open(path, "rb") as f:
                if f.read() == data:
                    return False
    except FileNotFoundError:
        pass
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)
    return True
