"""A ready office profile kept between servers.

A fresh profile folder costs the office a first start that only sets the profile up and then asks
to be started again: a fifth of a second on every server start. The profile of an office that has
started and answers is kept (per office build) in the user's cache, and later servers start from a
copy of it; their own folder stays private, so no two offices ever share a profile.
"""
import os
import re
import shutil
import tempfile


def template_path(office_binary):
    """Where the profile of this office build is kept; None when the office cannot be found."""
    try:
        stamp = os.stat(office_binary)
    except OSError:
        return None
    cache = os.environ.get("XDG_CACHE_HOME", "")
    if not cache.startswith("/"):
        cache = os.path.join(os.path.expanduser("~"), ".cache")
    return os.path.join(cache, "docvane", "office-profile-%d-%d" % (stamp.st_size, int(stamp.st_mtime)))


def seed(template, profile):
    """Copies the kept profile to profile (a folder that must not exist yet); True when done."""
    if template is None or not os.path.isdir(template):
        return False
    try:
        shutil.copytree(template, profile, symlinks=True)
    except (OSError, shutil.Error):
        shutil.rmtree(profile, ignore_errors=True)
        return False
    return True


def keep(template, profile):
    """Keeps a copy of profile as the template unless there is one already (whole or not at all)."""
    if template is None or os.path.isdir(template) or not os.path.isdir(profile):
        return
    parent = os.path.dirname(template)
    staging = None
    try:
        os.makedirs(parent, mode=0o700, exist_ok=True)
        staging = tempfile.mkdtemp(prefix=".profile-", dir=parent)
        copy = os.path.join(staging, "profile")
        shutil.copytree(profile, copy, symlinks=True, ignore=shutil.ignore_patterns(".lock"))
        os.rename(copy, template)  # fails when another server has kept its profile meanwhile
    except (OSError, shutil.Error):
        pass
    finally:
        if staging is not None:
            shutil.rmtree(staging, ignore_errors=True)


def discard(template):
    """Removes a kept profile an office could not start with."""
    if template is not None:
        shutil.rmtree(template, ignore_errors=True)


# A profile the office has never seen its own version in counts as upgraded, and an upgraded office
# first runs its graphics self-tests: some 300 MiB of bitmaps drawn and compared, two thirds of a
# second of every start. Only a start with a window records the version, so a headless office would
# test again on every start; the profile is told beforehand that this version has been there.
_VERSION = re.compile(r'<prop oor:name="ooSetupVersion">\s*<value>([0-9]+\.[0-9]+)</value>')
_SEEN = re.compile(r'oor:name="ooSetupLastVersion"')
_ITEMS_END = "</oor:items>"
_EMPTY_ITEMS = ('<?xml version="1.0" encoding="UTF-8"?>\n<oor:items xmlns:oor="http://openoffice.org/2001/registry" '
                'xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">\n'
                + _ITEMS_END + "\n")


def office_version(office_binary):
    """The office build's "major.minor" as its installation states it; None when it cannot be read."""
    registry = os.path.join(os.path.dirname(os.path.dirname(office_binary)), "share", "registry", "main.xcd")
    try:
        with open(registry, encoding="utf-8", errors="replace") as stream:
            match = _VERSION.search(stream.read())
    except OSError:
        return None
    return match.group(1) if match else None


def mark_version_seen(profile, version):
    """Records version as the last one the profile has seen, unless it records one already; the
    profile's other settings stay as they are. False when the profile could not be written (the
    office then only starts slower)."""
    if not version or not re.fullmatch(r"[0-9]+\.[0-9]+", version):
        return False
    path = os.path.join(profile, "user", "registrymodifications.xcu")
    try:
        with open(path, encoding="utf-8") as stream:
            text = stream.read()
    except FileNotFoundError:
        text = _EMPTY_ITEMS
    except (OSError, UnicodeDecodeError):
        return False
    if _SEEN.search(text):
        return True
    end = text.rfind(_ITEMS_END)
    if end < 0:
        return False  # not a settings file the office wrote: left alone
    item = ('<item oor:path="/org.openoffice.Setup/Product"><prop oor:name="ooSetupLastVersion" oor:op="fuse">'
            "<value>%s</value></prop></item>\n" % version)
    staging = path + ".docvane"
    try:
        os.makedirs(os.path.dirname(path), mode=0o700, exist_ok=True)
        with open(staging, "w", encoding="utf-8") as stream:
            stream.write(text[:end] + item + text[end:])
        os.replace(staging, path)
    except OSError:
        try:
            os.unlink(staging)
        except OSError:
            pass
        return False
    return True
