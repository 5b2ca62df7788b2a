#!/usr/bin/env python3
"""Writes the sample description files of this folder, byte for byte.

Usage: make-samples.py [FOLDER]    (default: the folder holding this script)

Every file is 8-bit text in DOS code page 437 with CR LF line ends, except
UNIX.BBS, whose lines end with a lone LF on purpose.  The texts are written
here by hand; nothing is random, so running the script again gives the same
bytes.  The script checks the layout of what it writes and stops with an
error rather than write a file that breaks the rules of its format.
"""

import os
import sys

CRLF = b"\r\n"
LF = b"\n"
EOF_MARK = b"\x1a"


def enc(text):
    """Code page 437 bytes of a line; stops on a character the page lacks."""
    try:
        return text.encode("cp437")
    except UnicodeEncodeError as err:
        raise SystemExit(f"not in code page 437: {text!r}: {err}")


def join_lines(lines, eol=CRLF):
    return b"".join(enc(line) + eol for line in lines)


# --------------------------------------------------------------------------
# BBS listings
#
# An entry starts at a line whose first byte is not a space: the file name
# padded to 12 columns, a space, the size right-aligned on 8 columns, a
# space, the date MM-DD-YY and a space, so the description starts at
# column 32.  A line that begins with a space continues the entry; its text
# also starts at column 32, sometimes after a "| ".

def bbs_entry(name, size, date, texts):
    assert len(name) <= 12 and len(date) == 8, name
    first = f"{name:<12} {size:>8} {date} "
    assert len(first) == 31
    lines = [first + texts[0]]
    for text in texts[1:]:
        lines.append(" " * 31 + text)
    for line in lines:
        assert len(line) <= 80, line
        assert not line.endswith(" "), line
    return lines


def bbs_file(entries):
    lines = []
    for name, size, date, texts in entries:
        lines.extend(bbs_entry(name, size, date, texts))
    return lines


VRAC01 = [
    ("TAROT21.ZIP", 87412, "06-12-95", [
        "Jeu de tarot à 4 joueurs contre l'ordinateur,",
        "règles officielles, annonces, poignées et chelem.",
        "Shareware, enregistrement 50 F."]),
    ("GALAXI14.ZIP", 312877, "05-30-95", [
        "Galaxie 1.4 : tir spatial à défilement vertical,",
        "12 niveaux, son Sound Blaster. Shareware."]),
    ("RANGDSK3.ZIP", 145020, "04-02-95", [
        "Défragmenteur de disque dur avec tri des",
        "répertoires. Compatible DOS 6 et Stacker."]),
    ("BELOTE.ZIP", 64300, "03-18-95", [
        "Belote et coinche contre trois adversaires."]),
    ("CALCULO.ZIP", 220114, "02-11-95", [
        "Tables de multiplication : logiciel éducatif",
        "pour le primaire, du CE1 au CM2."]),
    ("FONTES01.ZIP", 512000, "01-22-95", [
        "Collection de 40 polices TrueType pour Windows",
        "| gothiques, manuscrites, fantaisie",
        "| et une police de symboles."]),
    ("MINITEL.ZIP", 98765, "12-05-94", [
        "Émulateur Minitel pour modem Hayes, sauvegarde",
        "des pages et annuaire des services."]),
    ("RECETTES.ZIP", 176540, "11-28-94", [
        "Livre de cuisine : 600 recettes classées par",
        "région, calcul des quantités par convive."]),
    ("GENEALO.ARJ", 402311, "11-02-94", [
        "Généalogie : arbre ascendant et descendant,",
        "impression des fiches familiales. Shareware."]),
    ("COMPTES.ZIP", 133002, "10-15-94", [
        "Gestion de comptes bancaires personnels,",
        "rapprochement et graphiques des dépenses."]),
    ("SOKOBAN.ZIP", 45210, "10-01-94", [
        "Le jeu du magasinier : poussez les caisses",
        "à leur place. 60 tableaux et un éditeur."]),
    ("LOTO.ZIP", 30122, "09-12-94", [
        "Statistiques et grilles pour le Loto."]),
    ("AQUARIUM.ZIP", 54111, "08-30-94", [
        "Économiseur d'écran : aquarium animé en VGA."]),
    ("MEMOIRE.ZIP", 27890, "08-02-94", [
        "Affiche l'occupation de la mémoire",
        "conventionnelle, EMS et XMS, programme par",
        "programme."]),
    ("SYNONYM.ARJ", 890112, "07-14-94", [
        "Dictionnaire des synonymes, 35 000 entrées,",
        "recherche instantanée depuis l'éditeur."]),
    ("PATIENCE.ZIP", 71400, "06-21-94", [
        "Dix réussites et patiences en mode texte."]),
    ("SOLFEGE.ZIP", 120400, "05-05-94", [
        "Apprentissage du solfège : lecture de notes,",
        "dictées rythmiques, 5 niveaux. Éducatif."]),
    ("ASTRO.ZIP", 256000, "04-18-94", [
        "Carte du ciel, éphémérides, lever et coucher",
        "du soleil pour toute ville de France."]),
    ("VIRUSCAN.ZIP", 301234, "03-30-94", [
        "Détecteur de virus, mise à jour mensuelle."]),
    ("MOTSMEL.ZIP", 61230, "03-01-94", [
        "Mots mêlés : crée et imprime des grilles,",
        "| thèmes au choix, solutions en fin de cahier."]),
]

VRAC05 = [
    ("FRACTAL.ZIP", 210333, "09-14-95", [
        "Explorateur de fractales en 256 couleurs,",
        "zoom rapide sur l'ensemble de Mandelbrot",
        "et sur les ensembles de Julia."]),
    ("BATNAV.ZIP", 58120, "09-02-95", [
        "Bataille navale contre l'ordinateur ou par",
        "modem. Shareware."]),
    ("LABY3D.ZIP", 402100, "08-27-95", [
        "Labyrinthe en 3D : retrouvez la sortie avant",
        "la fin du temps imparti. VGA, souris."]),
    ("ORTHO.ZIP", 330450, "08-20-95", [
        "Exercices d'orthographe et de grammaire,",
        "logiciel éducatif pour le collège."]),
    ("ANGLAIS.ZIP", 288000, "08-11-95", [
        "Anglais facile : vocabulaire, verbes",
        "irréguliers, 400 exercices corrigés."]),
    ("MENUDOS.ZIP", 44300, "07-30-95", [
        "Menu de lancement de programmes pour DOS,",
        "| mot de passe par rubrique",
        "| et économiseur d'écran intégré."]),
    ("SAUVE.ZIP", 96512, "07-22-95", [
        "Sauvegarde sur disquettes avec compression."]),
    ("HORLOGE.ZIP", 12800, "07-10-95", [
        "Met le PC à l'heure par modem (horloge",
        "parlante). Shareware."]),
    ("ETIQUET.ZIP", 77000, "06-29-95", [
        "Impression d'étiquettes et d'enveloppes,",
        "carnet d'adresses et fusion de fichiers."]),
    ("MODPLAY.ZIP", 145200, "06-15-95", [
        "Lecteur de modules MOD, S3M et 669 sur",
        "Sound Blaster et Gravis Ultrasound."]),
    ("PCXVIEW.ZIP", 66666, "06-01-95", [
        "Visualiseur d'images PCX, GIF et BMP,",
        "diaporama et conversion entre formats."]),
    ("TRAINS.ZIP", 512990, "05-20-95", [
        "Simulation de réseau ferré : posez les",
        "voies, réglez les aiguillages et faites",
        "rouler vos trains à l'heure.",
        "| Nécessite un 386 et 4 Mo de mémoire."]),
    ("PENDU.ZIP", 39000, "05-11-95", [
        "Le jeu du pendu, 3 000 mots, éducatif."]),
    ("QUIZZ.ZIP", 187400, "04-30-95", [
        "Questions de culture générale pour 1 à 4",
        "joueurs, 2 500 questions."]),
    ("QWKLIRE.ZIP", 99120, "04-22-95", [
        "Lecteur de courrier QWK pour les BBS."]),
    ("ROBOTS.ZIP", 74000, "04-09-95", [
        "Programmez vos robots et lancez-les dans",
        "l'arène. Shareware, version complète 60 F."]),
    ("BIORYTH.ZIP", 22000, "03-28-95", [
        "Biorythmes : courbes physique, émotionnelle",
        "et intellectuelle."]),
    ("CONJUG.ZIP", 154000, "03-15-95", [
        "Conjugueur : tous les verbes français à tous",
        "les temps, avec les exceptions."]),
]

NEWS = [
    ("TAROT22.ZIP", 91220, "10-02-95", [
        "Tarot 2.2 : nouvelle version, partie à",
        "cinq joueurs et jeu par modem."]),
    ("COURSE.ZIP", 655000, "09-30-95", [
        "Course automobile en 3D, 8 circuits, VGA.",
        "Version shareware : 2 circuits."]),
    ("PLANETES.ZIP", 240800, "09-28-95", [
        "Le système solaire : planètes, satellites",
        "et comètes, logiciel éducatif illustré."]),
    ("ICONES95.ZIP", 188000, "09-25-95", [
        "600 icônes pour Windows 3.1, classées par",
        "thème, avec un éditeur d'icônes."]),
    ("DEFRAG2.ZIP", 82000, "09-20-95", [
        "Défragmenteur rapide pour disques IDE et",
        "SCSI."]),
    ("CARTES.ZIP", 120000, "09-18-95", [
        "Atlas de France : départements, préfectures,",
        "| relief et rivières."]),
    ("SCRABBLE.ZIP", 300500, "09-12-95", [
        "Jeu de lettres contre l'ordinateur, avec",
        "l'Officiel du jeu en 50 000 mots."]),
    ("WINZIP5.ZIP", 410000, "09-09-95", [
        "Gestionnaire d'archives pour Windows."]),
    ("BUDGET.ZIP", 140000, "09-01-95", [
        "Budget familial : dépenses, recettes et",
        "prévisions sur douze mois. Shareware."]),
    ("DESSIN.ZIP", 231000, "08-28-95", [
        "Atelier de dessin pour enfants : tampons,",
        "coloriages et pinceaux magiques."]),
    ("MOTOCROS.ZIP", 199000, "08-20-95", [
        "Moto-cross en 2D, 20 pistes, sauts et",
        "figures."]),
    ("HEXEDIT.ZIP", 36000, "08-15-95", [
        "Éditeur hexadécimal de fichiers et de",
        "secteurs de disque."]),
]

UTILS = [
    ("LISTE.ZIP", 25400, "07-02-95", [
        "Affiche un fichier texte page par page avec",
        "recherche de mots."]),
    ("TROUVE.ZIP", 31100, "06-28-95", [
        "Retrouve un fichier sur tous les disques."]),
    ("CACHE.ZIP", 47000, "06-20-95", [
        "Cache disque en mémoire étendue, écriture",
        "différée réglable."]),
    ("CLAVIER.ZIP", 18800, "06-11-95", [
        "Pilote de clavier français AZERTY avec",
        "| accents par touche morte",
        "| et majuscules accentuées."]),
    ("IMPRIM.ZIP", 40200, "06-01-95", [
        "Imprime les fichiers texte en deux colonnes,",
        "en-têtes et numéros de page."]),
    ("RENOMME.ZIP", 15000, "05-25-95", [
        "Renomme des fichiers par groupes, avec",
        "compteur et date."]),
    ("PARTITIO.ZIP", 77300, "05-14-95", [
        "Sauvegarde et restaure la table des",
        "partitions du disque dur. Shareware."]),
    ("ANTIVIR.ZIP", 350000, "05-02-95", [
        "Antivirus résident, 4 200 virus reconnus."]),
    ("BATCHPLU.ZIP", 22900, "04-20-95", [
        "Commandes en plus pour les fichiers .BAT :",
        "menus, couleurs, saisie au clavier."]),
    ("HORAIRE.ZIP", 60400, "04-11-95", [
        "Relevé des heures de travail et calcul des",
        "heures supplémentaires."]),
    ("DISQUETT.ZIP", 33000, "04-02-95", [
        "Formate les disquettes en 1,68 Mo et les",
        "vérifie piste par piste."]),
    ("TAILLE.ZIP", 11000, "03-25-95", [
        "Taille occupée par chaque répertoire, avec",
        "tri et graphique en barres."]),
]

UNIX = [
    ("PINGOUIN.ZIP", 64000, "11-20-95", [
        "Pingouin : le jeu de glisse sur la banquise,",
        "copié d'un serveur où les lignes finissent",
        "par un simple saut de ligne."]),
    ("ECHANGE.ZIP", 21000, "11-18-95", [
        "Convertit les fins de ligne entre DOS et",
        "les autres systèmes."]),
    ("COPIE.ZIP", 18000, "11-15-95", [
        "Copie de disquette à disquette en une passe."]),
    ("PUZZLE.ZIP", 77000, "11-10-95", [
        "Puzzle de 100 pièces à partir de vos images",
        "PCX."]),
    ("CHIFFRE.ZIP", 26000, "11-02-95", [
        "Chiffrement de fichiers par mot de passe."]),
    ("CALEND.ZIP", 35500, "10-28-95", [
        "Calendrier perpétuel avec fêtes et jours",
        "fériés. Shareware."]),
    ("NOTES.ZIP", 14200, "10-20-95", [
        "Bloc-notes résident appelé par Alt-N."]),
    ("TRIEUR.ZIP", 19900, "10-11-95", [
        "Trie les lignes d'un fichier texte."]),
]

CTRLZ_BEFORE = [
    ("MASTER.ZIP", 120000, "12-01-95", [
        "Master Mind en couleurs, 4 à 6 pions."]),
    ("COMPTA.ZIP", 302000, "11-29-95", [
        "Comptabilité en partie double pour les",
        "associations. Shareware."]),
    ("DAMES.ZIP", 88000, "11-21-95", [
        "Jeu de dames international, 3 niveaux."]),
    ("DICTEE.ZIP", 164000, "11-14-95", [
        "Dictées enregistrées pour Sound Blaster,",
        "logiciel éducatif du CM1 à la 3e."]),
    ("RESEAU.ZIP", 54000, "11-02-95", [
        "Partage de fichiers par câble série ou",
        "parallèle entre deux PC."]),
]

# Everything after the 0x1A is dead text: what is left of an older listing
# in the last sector of the file.  It must never be found.
CTRLZ_AFTER = [
    ("FANTOME.ZIP", 12000, "01-01-90", [
        "Texte INVISIBLE : ancienne liste recouverte,",
        "tout ce qui suit la fin de fichier est mort."]),
    ("INVISIBL.ZIP", 9000, "01-01-90", [
        "Encore une ligne INVISIBLE, jeu de tarot",
        "et Shareware compris."]),
]

LONG_BEFORE = [
    ("KANGOUR.ZIP", 45000, "08-01-95", [
        "Kangourou : jeu de sauts pour les petits,",
        "trois mondes à traverser."]),
    ("BOUSSOLE.ZIP", 28000, "07-25-95", [
        "Calcul de caps et de distances pour la",
        "navigation de plaisance."]),
    ("METEO.ZIP", 61000, "07-18-95", [
        "Relevés météo, moyennes et graphiques",
        "mensuels. Shareware."]),
    ("ALBUM.ZIP", 99000, "07-10-95", [
        "Album de photos numérisées avec légendes."]),
]

LONG_AFTER = [
    ("APRES.ZIP", 31000, "06-30-95", [
        "Entrée normale placée après la très longue."]),
    ("FIN.ZIP", 12000, "06-20-95", [
        "Dernière entrée de la liste."]),
]

LONG_CONTINUATIONS = 230


def long_entry():
    """An entry with far more continuation lines than any real listing."""
    texts = ["Le roman INTERMINABLE d'un sysop, en ligne"]
    subjects = ["le modem", "la ligne", "les disquettes", "le serveur",
                "les appels", "le courrier", "les fichiers", "la nuit"]
    for i in range(1, LONG_CONTINUATIONS + 1):
        texts.append(f"chapitre {i:3} : {subjects[i % len(subjects)]}, encore.")
    return bbs_entry("ROMAN.ZIP", 999999, "06-30-95", texts)


# --------------------------------------------------------------------------
# Catalogues of a disk club
#
# A few header lines, then the NEWS section, whose entries start with two
# spaces and a double line (0xCD), then the MAJ section, whose entries start
# with two spaces and a small square (0xFE).  No other line may start that
# way.

WIDTH = 72


def frame(style, texts, width=WIDTH, indent="  "):
    """Box of the given style around lines of text."""
    if style == "double":
        tl, tr, bl, br, hz, vt = "╔", "╗", "╚", "╝", "═", "║"
    else:
        tl, tr, bl, br, hz, vt = "┌", "┐", "└", "┘", "─", "│"
    inner = width - len(indent) - 2
    lines = [indent + tl + hz * inner + tr]
    for text in texts:
        assert len(text) <= inner - 2, text
        lines.append(indent + vt + " " + text.ljust(inner - 2) + " " + vt)
    lines.append(indent + bl + hz * inner + br)
    return lines


def header(title, subtitle):
    return frame("double", [title.center(WIDTH - 4), subtitle.center(WIDTH - 4)],
                 indent="") + [""]


def news_start(disk, category):
    start = f"  ═══ DISQUE {disk} ═══ {category} "
    return start + "═" * (WIDTH - len(start))


def maj_start(disk, title):
    return f"  ■ DISQUE {disk} - MISE A JOUR : {title}"


def title_line(name, note):
    return name + note.rjust(WIDTH - 6 - len(name))


def news_entry(disk, category, name, note, texts, style):
    """style: "double" or "single" (title box), "box" (whole entry boxed),
    "plain" (title underlined)."""
    lines = [news_start(disk, category)]
    if style in ("double", "single"):
        lines += frame(style, [title_line(name, note)])
        lines += ["   " + t for t in texts]
    elif style == "box":
        lines += frame("double", [title_line(name, note), ""] + texts)
    else:
        lines += ["   " + name + " - " + note, "   " + "─" * (len(name) + 3 + len(note))]
        lines += ["   " + t for t in texts]
    lines.append("")
    return lines


def maj_entry(disk, name, texts, boxed):
    lines = [maj_start(disk, name)]
    if boxed:
        lines += frame("single", texts, indent="    ")
    else:
        lines += ["    " + t for t in texts]
    lines.append("")
    return lines


def check_catalogue(head, entries):
    for line in head:
        assert not line.startswith(("  ═", "  ■")), line
    seen_maj = False
    for entry in entries:
        assert 3 <= len(entry) <= 15, (len(entry), entry[0])
        if entry[0].startswith("  ■"):
            seen_maj = True
        else:
            assert entry[0].startswith("  ═") and not seen_maj, entry[0]
        for line in entry[1:]:
            assert not line.startswith(("  ═", "  ■")), line
        for line in entry:
            assert len(line) <= 80, line


def catalogue(title, subtitle, news, maj):
    head = header(title, subtitle)
    entries = [news_entry(*n) for n in news] + [maj_entry(*m) for m in maj]
    check_catalogue(head, entries)
    lines = list(head)
    for entry in entries:
        lines += entry
    return lines


CLUB = "CLUB DES DISQUETTES PARTAGÉES"

ASC01_NEWS = [
    (101, "JEUX / CARTES", "TAROT 2.1", "Shareware 50 F", [
        "Le jeu de tarot à quatre joueurs contre l'ordinateur. Trois",
        "niveaux de jeu, toutes les annonces (petite, garde, garde sans,",
        "garde contre), poignées et chelem. Règles officielles.",
        "Config. : PC 286, EGA ou VGA, souris conseillée."], "double"),
    (102, "JEUX / ARCADE", "GALAXIE v1.4", "Shareware 80 F", [
        "Un jeu de tir spatial à défilement vertical, rapide et nerveux :",
        "douze niveaux, des monstres de fin de niveau redoutables et une",
        "musique au format MOD. Gère la Sound Blaster et l'AdLib.",
        "La version shareware se limite aux trois premiers niveaux."],
     "single"),
    (103, "UTILITAIRES / DISQUE", "RANGEDISK 3.0", "Shareware 120 F", [
        "Défragmente votre disque dur et trie les répertoires par nom,",
        "par date ou par taille. Affichage graphique de l'occupation",
        "du disque, compatible DOS 6 et Stacker."], "box"),
    (104, "ÉDUCATIF / MATHÉMATIQUES", "CALCULO", "Domaine public", [
        "Logiciel éducatif pour apprendre les tables de multiplication",
        "en s'amusant, du CE1 au CM2. Suivi des progrès de chaque élève",
        "et diplôme imprimable à la fin de chaque série."], "double"),
    (105, "GRAPHISME / DESSIN", "PINCEAU 256", "Shareware 150 F", [
        "Programme de dessin en 256 couleurs : pinceaux, dégradés,",
        "loupe, copier-coller de blocs, lecture et écriture des",
        "formats PCX, GIF et BMP. Un outil complet pour créer vos",
        "écrans de présentation."], "plain"),
    (106, "MUSIQUE", "MODPLAY PRO", "Shareware 60 F", [
        "Lecteur de modules musicaux MOD, S3M et 669 sur Sound Blaster,",
        "Gravis Ultrasound ou haut-parleur du PC. Il fonctionne aussi",
        "en tâche de fond pendant que vous travaillez sous DOS."],
     "single"),
    (107, "BUREAUTIQUE / GESTION", "FACTURIX", "Shareware 250 F", [
        "Gestion commerciale pour artisans et petits commerçants :",
        "devis, factures, relances, fichier clients, calcul de la TVA.",
        "Impression sur imprimantes matricielles et laser."], "box"),
    (108, "JEUX / RÉFLEXION", "ÉCHECS ET MAT", "Freeware", [
        "Un programme d'échecs qui joue correctement : bibliothèque",
        "d'ouvertures, analyse de parties, échiquier en 3D ou à plat.",
        "Idéal pour progresser, et pour perdre avec élégance."],
     "double"),
]

ASC01_MAJ = [
    (45, "COMPACT 2.04", [
        "Nouvelle version du compacteur : archives sur plusieurs",
        "disquettes, mot de passe et test d'intégrité."], True),
    (52, "ANTIVIR 95", [
        "Reconnaît désormais 4 200 virus et nettoie le secteur de",
        "démarrage. Mise à jour conseillée à tous."], False),
    (71, "LEXIQUE 3", [
        "Le dictionnaire passe à 80 000 mots, avec les",
        "définitions et la recherche phonétique."], True),
    (88, "AGENDA PLUS 2.5", [
        "Alarmes sonores, anniversaires, impression du mois",
        "sur une page. Shareware 90 F."], False),
    (93, "GÉNÉALOGIE 4", [
        "Import et export au format GEDCOM, arbres en éventail."],
     True),
]

ASC02_NEWS = [
    (201, "JEUX / CARTES", "SOLITAIRE DE LUXE", "Freeware", [
        "Douze réussites différentes, des cartes dessinées à la main",
        "et une aide qui explique chaque coup possible."], "single"),
    (202, "JEUX / AVENTURE", "LABYRINTHE 3D", "Shareware 70 F", [
        "Explorez un labyrinthe en trois dimensions, ramassez les",
        "clés et fuyez avant la fin du temps imparti. Éditeur de",
        "niveaux fourni. VGA obligatoire, souris conseillée."], "double"),
    (203, "ÉDUCATIF / GÉOGRAPHIE", "GÉOGRAPHIX", "Shareware 95 F", [
        "Les pays, capitales, fleuves et montagnes du monde entier",
        "sous forme de jeu : cartes coloriées, questions à choix",
        "multiples et tableau d'honneur. Un excellent éducatif pour",
        "le collège."], "box"),
    (204, "ÉDUCATIF / FRANÇAIS", "ORTHOGRAPHE EN FOLIE", "Shareware 85 F", [
        "Accords, homonymes, conjugaison : 600 exercices corrigés",
        "et expliqués, à faire seul ou en classe."], "plain"),
    (205, "UTILITAIRES / SYSTEME", "MENU DOS 5", "Shareware 40 F", [
        "Un menu de lancement clair pour les débutants : rubriques",
        "protégées par mot de passe, économiseur d'écran et horloge."],
     "single"),
    (206, "UTILITAIRES / SAUVEGARDE", "SAUVE-TOUT", "Shareware 110 F", [
        "Sauvegarde complète ou partielle sur disquettes, avec",
        "compression et vérification. Restauration fichier par",
        "fichier."], "double"),
    (207, "GRAPHISME / FRACTALES", "JULIA", "Freeware", [
        "Tracé des ensembles de Julia en 256 couleurs, palette animée",
        "et sauvegarde des images au format GIF."], "single"),
    (208, "JEUX / RÉFLEXION", "BATAILLE NAVALE", "Shareware 30 F", [
        "Le grand classique contre l'ordinateur ou un ami par modem.",
        "Flottes modifiables, bruitages numérisés."], "box"),
    (209, "ÉDUCATIF / LANGUES", "ANGLAIS FACILE", "Shareware 120 F", [
        "Vocabulaire illustré, verbes irréguliers et 400 exercices",
        "pour réviser l'anglais de la 6e à la 3e."], "double"),
    (210, "BUREAUTIQUE / COURRIER", "ÉTIQUETTES", "Shareware 45 F", [
        "Étiquettes et enveloppes en un clin d'oeil, carnet",
        "d'adresses et fusion avec vos fichiers."], "plain"),
]

ASC02_MAJ = [
    (110, "TAROT 2.2", [
        "Partie à cinq joueurs avec appel au roi, jeu par modem",
        "et statistiques détaillées."], True),
    (118, "GALAXIE 1.5", [
        "Deux niveaux de plus et la gestion du joystick."], False),
    (125, "MODPLAY PRO 2", [
        "Lecture des fichiers XM et sortie sur carte Gravis",
        "en 32 voies."], True),
    (133, "FACTURIX 3", [
        "Multi-sociétés, export vers les tableurs et calcul",
        "automatique des acomptes."], False),
    (140, "RANGEDISK 3.1", [
        "Correction d'un problème avec les disques de plus",
        "de 1 Go."], True),
    (147, "CALCULO 2", [
        "Nouvelles séries sur la division, logiciel éducatif",
        "toujours gratuit."], False),
]

ASC10_NEWS = [
    (1001, "JEUX / SPORT", "FOOT MANAGER 96", "Shareware 99 F", [
        "Dirigez votre club de football : transferts, entraînement,",
        "tactique et finances. Championnat de France complet avec",
        "les vrais calendriers de la saison."], "double"),
    (1002, "JEUX / CARTES", "TAROT EN RÉSEAU", "Shareware 120 F", [
        "Le tarot à plusieurs sur un réseau local IPX : chacun joue",
        "sur son PC, les parties sont notées automatiquement."],
     "single"),
    (1003, "PROGRAMMATION / PASCAL", "BOITE A OUTILS", "Shareware 200 F", [
        "Unités Turbo Pascal pour fenêtres, menus déroulants,",
        "souris et gestion de fichiers indexés. Sources fournies",
        "à l'enregistrement."], "box"),
    (1004, "COMMUNICATION / BBS", "SERVEUR 2000", "Shareware 300 F", [
        "Logiciel de serveur BBS pour une à quatre lignes :",
        "messagerie, zones de fichiers, portes de jeux et",
        "statistiques d'appels."], "double"),
    (1005, "ÉDUCATIF / SCIENCES", "PLANETES", "Domaine public", [
        "Le système solaire en images : planètes, satellites et",
        "comètes, avec un quiz éducatif à la fin de chaque leçon."],
     "plain"),
    (1006, "WINDOWS / ICONES", "ICONES 95", "Freeware", [
        "Six cents icônes classées par thème et un petit éditeur",
        "pour les retoucher."], "single"),
    (1007, "GRAPHISME / IMAGES", "VISIONNEUSE", "Shareware 75 F", [
        "Affiche les images PCX, GIF, BMP et TGA, diaporama",
        "minuté et conversion entre formats."], "double"),
]

ASC10_MAJ = [
    (501, "SERVEUR 1.9", [
        "Dernière version avant SERVEUR 2000 : corrige le",
        "transfert Zmodem au-delà de 14 400 bauds."], True),
    (512, "ÉCHECS ET MAT 2", [
        "Niveau de jeu relevé et nouvelle bibliothèque",
        "d'ouvertures. Toujours freeware."], False),
    (530, "JULIA 1.1", [
        "Zoom à la souris et palettes enregistrables."], True),
    (544, "ANGLAIS FACILE 2", [
        "Exercices d'écoute pour Sound Blaster, éducatif",
        "et amusant."], False),
]


def files():
    """Name and bytes of every sample file."""
    out = {}
    out["ASC01.ASC"] = join_lines(catalogue(
        f"{CLUB}  ·  CATALOGUE N° 1",
        "Nouveautés du trimestre et mises à jour - été 1995",
        ASC01_NEWS, ASC01_MAJ))
    out["ASC02.ASC"] = join_lines(catalogue(
        f"{CLUB}  ·  CATALOGUE N° 2",
        "Nouveautés de l'automne, jeux et éducatif - octobre 1995",
        ASC02_NEWS, ASC02_MAJ))
    # A DOS editor often leaves a 0x1A after the last line.
    out["ASC10.ASC"] = join_lines(catalogue(
        f"{CLUB}  ·  CATALOGUE N° 10",
        "Édition spéciale : réseau, BBS et programmation - 1996",
        ASC10_NEWS, ASC10_MAJ)) + EOF_MARK
    out["VRAC01.BBS"] = join_lines(bbs_file(VRAC01))
    out["VRAC05.BBS"] = join_lines(bbs_file(VRAC05))
    out["NEWS.BBS"] = join_lines(bbs_file(NEWS))
    out["UTILS.BBS"] = join_lines(bbs_file(UTILS))
    out["LONG.BBS"] = join_lines(bbs_file(LONG_BEFORE) + long_entry()
                                 + bbs_file(LONG_AFTER))
    out["UNIX.BBS"] = join_lines(bbs_file(UNIX), eol=LF)
    out["CTRLZ.BBS"] = (join_lines(bbs_file(CTRLZ_BEFORE)) + EOF_MARK
                        + join_lines(bbs_file(CTRLZ_AFTER)))
    return out


def check_bytes(name, data):
    """Byte-level rules: CR only before LF (except in UNIX.BBS, no CR at
    all), no 0x1A except where a file means to end, no tabs."""
    body = data
    if name in ("CTRLZ.BBS", "ASC10.ASC"):
        assert data.count(EOF_MARK) == 1, name
        body = data[:data.index(EOF_MARK)]
    else:
        assert EOF_MARK not in data, name
    assert b"\t" not in data, name
    if name == "UNIX.BBS":
        assert b"\r" not in data, name
    else:
        assert body.count(b"\r") == body.count(b"\r\n"), name
        assert body.count(b"\n") == body.count(b"\r\n"), name
        assert body.endswith(CRLF), name
    hidden = data[len(body):].lower()
    assert (b"invisible" in hidden) == (name == "CTRLZ.BBS"), name
    assert b"invisible" not in body.lower(), name


def main(argv):
    if len(argv) > 2:
        print("usage: make-samples.py [FOLDER]", file=sys.stderr)
        return 2
    folder = argv[1] if len(argv) == 2 else os.path.dirname(os.path.abspath(__file__))
    os.makedirs(folder, exist_ok=True)
    for name, data in sorted(files().items()):
        check_bytes(name, data)
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
        print(f"{name:12} {len(data):7} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
