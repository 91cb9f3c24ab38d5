// A GTK 3 text window for the typing benchmark: shows one text view titled
// by its second argument and keeps what it holds in the file named by its
// first argument, rewritten whole at most every 20 ms while it changes.

#include <gtk/gtk.h>

#include <cstdio>
#include <string>

namespace {

std::string g_out;
guint g_pending = 0;

gboolean writeOut(gpointer data)
{
    g_pending = 0;
    auto *buffer = static_cast<GtkTextBuffer *>(data);
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(buffer, &start, &end);
    gchar *text = gtk_text_buffer_get_text(buffer, &start, &end, FALSE);
    const std::string tmp = g_out + ".tmp";
    if (FILE *f = std::fopen(tmp.c_str(), "wb")) {
        std::fputs(text, f);
        std::fclose(f);
        std::rename(tmp.c_str(), g_out.c_str());
    }
    g_free(text);
    return G_SOURCE_REMOVE;
}

void onChanged(GtkTextBuffer *buffer, gpointer)
{
    if (!g_pending)
        g_pending = g_timeout_add(20, writeOut, buffer);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: gtk_text_client OUTPUT TITLE\n");
        return 2;
    }
    g_out = argv[1];
    gdk_set_allowed_backends("x11");
    gtk_init(&argc, &argv);
    GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), argv[2]);
    gtk_window_set_default_size(GTK_WINDOW(window), 600, 400);
    GtkWidget *view = gtk_text_view_new();
    gtk_container_add(GTK_CONTAINER(window), view);
    g_signal_connect(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)), "changed", G_CALLBACK(onChanged), nullptr);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    gtk_widget_show_all(window);
    gtk_widget_grab_focus(view);
    gtk_main();
    return 0;
}
