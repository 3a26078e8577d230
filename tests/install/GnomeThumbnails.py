# Asks GNOME's thumbnail factory, as a file manager does, for a thumbnail of each file named on
# the command line: the factory finds the installed thumbnailer entry by the file's MIME type and
# runs it in its sandbox. Prints one line a file; the status is 1 when any file got none.
import sys

import gi

gi.require_version('GnomeDesktop', '3.0')
from gi.repository import Gio, GnomeDesktop  # noqa: E402

factory = GnomeDesktop.DesktopThumbnailFactory.new(GnomeDesktop.DesktopThumbnailSize.NORMAL)
failed = 0
for path in sys.argv[1:]:
    file = Gio.File.new_for_path(path)
    info = file.query_info('standard::content-type,time::modified', Gio.FileQueryInfoFlags.NONE)
    mime = info.get_content_type()
    modified = info.get_attribute_uint64('time::modified')
    made = None
    if factory.can_thumbnail(file.get_uri(), mime, modified):
        try:
            made = factory.generate_thumbnail(file.get_uri(), mime)
        except Exception as error:  # the factory raises when the thumbnailer fails
            print(f'{path}: {error}')
    if made is None:
        failed += 1
        print(f'{path} ({mime}): no thumbnail')
    else:
        print(f'{path} ({mime}): {made.get_width()} x {made.get_height()}')
sys.exit(1 if failed else 0)
